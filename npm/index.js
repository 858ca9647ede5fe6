// blaterix: the sentences of the Blaterix program, seeded and exact. The text
// comes from the program's own core, built for WebAssembly and embedded in
// blaterix-wasm.js, so it is the same bytes as blaterix-cli writes.
//
//   import { createGenerator, countOf } from 'blaterix';
//   const g = createGenerator({ seed: 43200 });  // noon; no seed: the time of day
//   g.sentences(3);                              // a string: blaterix-cli --seed 43200 3 on a terminal
//   g.sentences(3, { encoding: 'cp1252', eol: 'crlf' }); // Uint8Array: the program's file bytes
//   g.rows(2);                                   // [{ text, rows: [7 numbers] }, ...]
//   countOf('3.5');                              // 4, as the count box reads it
import { wasmBytes } from './blaterix-wasm.js';
import { timeOfDay, toWindows1252 } from './blaterix.js';

const kMaxCount = 2147483647;

// The longest text that one call returns, in characters (or bytes): the
// longest string that every engine holds (V8's limit).
const kMaxLength = 2 ** 29 - 24;

// No sentence of the table takes fewer bytes than this, in any layout or
// format; a typical one takes about 270.
const kShortestSentence = 200;
const kTypicalSentence = [272, 280, 310]; // text, html, json

// The choices of each option by the codes of the module's C interface, in any
// letter case; the first name of each code is the one that messages show.
const kChoices = {
    format: { text: 0, html: 1, json: 2 },
    layout: { blocks: 0, lines: 1, paragraphs: 2 },
    encoding: { cp1252: 0, 'windows-1252': 0, 'utf-8': 1, utf8: 1 },
    eol: { crlf: 0, lf: 1 },
};
const [kText, kJson] = [0, 2];
const [kBlocks, kLines, kParagraphs] = [0, 1, 2];
const [kCp1252, kUtf8] = [0, 1];
const kLf = 1;
const kSentenceOptions = ['layout', 'format', 'encoding', 'eol', 'sentencesPerParagraph'];

// The exports of the module's instance, made on first use. It has one
// generator state word: each generator keeps its own and puts it in place
// around its calls.
let wasm = null;

function wasmExports() {
    if (wasm === null) {
        const imports = { blaterix: { chunk: takeChunk } };
        const instance = new WebAssembly.Instance(new WebAssembly.Module(wasmBytes()), imports);
        instance.exports._initialize();
        wasm = instance.exports;
    }
    return wasm;
}

// Text of one byte per character as a string. The table's Windows-1252
// bytes are all ASCII or Latin-1 letters, so in node the Latin-1 reading,
// the fastest there is, gives the same string.
const NodeBuffer = globalThis.Buffer;
let windows1252 = null;
function decodeSingleBytes(bytes) {
    if (typeof NodeBuffer === 'function') {
        return NodeBuffer.from(bytes.buffer, bytes.byteOffset, bytes.length).toString('latin1');
    }
    windows1252 ??= new TextDecoder('windows-1252');
    return windows1252.decode(bytes);
}
let utf8 = null;
function decodeUtf8(bytes) {
    utf8 ??= new TextDecoder();
    return utf8.decode(bytes);
}

function describe(value) {
    return typeof value === 'string' ? JSON.stringify(value) : String(value);
}

function kindOf(value) {
    return value === null ? 'null' : typeof value;
}

// The options object, refused when it is not one or names an unknown option.
function optionsOf(options, known) {
    if (options === undefined) {
        return {};
    }
    if (options === null || typeof options !== 'object') {
        throw new TypeError(`options must be an object, not ${kindOf(options)}`);
    }
    for (const name of Object.keys(options)) {
        if (!known.includes(name)) {
            const list = known.join(', ');
            throw new TypeError(`unknown option ${JSON.stringify(name)} (known: ${list})`);
        }
    }
    return options;
}

// The code that an option's value names, or null when it is not given.
function choose(name, value) {
    if (value === undefined) {
        return null;
    }
    if (typeof value !== 'string') {
        throw new TypeError(`${name} must be a string, not ${kindOf(value)}`);
    }
    const choices = kChoices[name];
    const key = value.toLowerCase();
    if (!Object.hasOwn(choices, key)) {
        const names = Object.keys(choices);
        const valid = names.filter((n, i) => i === 0 || choices[names[i - 1]] !== choices[n]);
        throw new RangeError(`invalid ${name} ${describe(value)} (valid: ${valid.join(', ')})`);
    }
    return choices[key];
}

function wholeNumber(name, value, min) {
    if (typeof value !== 'number') {
        throw new TypeError(`${name} must be a number, not ${kindOf(value)}`);
    }
    if (!Number.isInteger(value) || value < min || value > kMaxCount) {
        const range = `from ${min} to ${kMaxCount}`;
        throw new RangeError(`${name} must be a whole number ${range}, not ${describe(value)}`);
    }
    return value;
}

// The style that options ask for, refused as blaterix-cli refuses it, with
// the defaults of blaterix-cli on a terminal: UTF-8 and LF, blocks, text.
function styleOf(options) {
    const o = optionsOf(options, kSentenceOptions);
    const format = choose('format', o.format) ?? kText;
    const layout = choose('layout', o.layout);
    const encoding = choose('encoding', o.encoding);
    const eol = choose('eol', o.eol) ?? kLf;
    if (format !== kText && encoding === kCp1252) {
        const given = `format ${describe(o.format)}`;
        throw new RangeError(`${given} writes UTF-8 only, not encoding ${describe(o.encoding)}`);
    }
    if (format === kJson && layout !== null && layout !== kLines) {
        const given = `format ${describe(o.format)}`;
        throw new RangeError(
            `${given} writes one sentence per line; it takes no layout ${describe(o.layout)}`,
        );
    }
    let perParagraph = 5;
    if (o.sentencesPerParagraph !== undefined) {
        if (layout !== kParagraphs) {
            throw new RangeError('sentencesPerParagraph needs layout "paragraphs"');
        }
        perParagraph = wholeNumber('sentencesPerParagraph', o.sentencesPerParagraph, 1);
    }
    // Text is always made in Windows-1252, one byte a character, whatever
    // the string is wanted in; html and json are UTF-8.
    const text = format === kText;
    const shape = layout ?? (format === kJson ? kLines : kBlocks);
    return {
        codes: [format, shape, text ? kCp1252 : kUtf8, eol, perParagraph],
        decode: encoding === kCp1252 ? null : text ? decodeSingleBytes : decodeUtf8,
    };
}

// What a call gives when its text would outgrow the longest string.
function tooLong(count) {
    return new RangeError(
        `${count} sentences make more than ${kMaxLength} characters, more than one string can hold; ` +
            'ask for fewer at a time (each call goes on where the last one stopped)',
    );
}

function checkCount(count) {
    wholeNumber('count', count, 0);
    if (count > kMaxLength / kShortestSentence) {
        throw tooLong(count);
    }
}

// The text of the call under way: the buffer it goes into, and its size.
let out = null;
let size = 0;

// The module's import: takes the next chunk of the text at at (n bytes);
// 0 stops the writer when the text would outgrow the longest string.
function takeChunk(at, n) {
    if (size + n > out.length) {
        if (size + n > kMaxLength) {
            return 0;
        }
        const grown = new Uint8Array(Math.min(kMaxLength, Math.max(size + n, out.length * 2)));
        grown.set(out.subarray(0, size));
        out = grown;
    }
    out.set(new Uint8Array(wasm.memory.buffer, at, n), size);
    size += n;
    return 1;
}

// The buffer of the last text that became a string, kept for the next call
// until the current task ends: a loop of calls fills one buffer again instead
// of leaving the garbage collector one to free per call.
let spare = null;
let dropping = false;

function keepSpare(buffer) {
    spare = buffer;
    if (!dropping) {
        dropping = true;
        queueMicrotask(() => {
            spare = null;
            dropping = false;
        });
    }
}

// Runs the writer from state with the style's codes; the text's bytes (a
// view of the start of their buffer) and the state after them.
function write(state, count, codes) {
    const m = wasmExports();
    const guess = Math.min(kMaxLength, Math.max(count * kTypicalSentence[codes[0]], 1));
    out = spare !== null && spare.length >= guess ? spare : new Uint8Array(guess);
    spare = null;
    size = 0;
    let status;
    let bytes;
    try {
        m.blx_set_state(state);
        status = m.blx_generate(count, ...codes);
        bytes = out.subarray(0, size);
    } finally {
        out = null;
    }
    if (status !== 0) {
        throw status === 2 ? tooLong(count) : new RangeError('the module refused the style');
    }
    return { bytes, state: m.blx_state() >>> 0 };
}

// Puts bytes into the module's scratch buffer; returns their address there.
function put(bytes) {
    const m = wasmExports();
    const at = m.blx_scratch(bytes.length);
    if (at === 0) {
        throw new RangeError(`a text of ${bytes.length} bytes is too long`);
    }
    new Uint8Array(m.memory.buffer, at, bytes.length).set(bytes);
    return at;
}

// The binary32 value that seed names: a number rounded to nearest, a string
// as blaterix-cli's --seed reads it, the local time of day when undefined.
function seedOf(seed) {
    if (seed === undefined) {
        return Math.fround(timeOfDay());
    }
    if (typeof seed === 'number') {
        const value = Math.fround(seed);
        if (!Number.isFinite(value)) {
            const range = 'a finite number of seconds up to about 3.4e38';
            throw new RangeError(`seed ${seed} does not fit a 32-bit float (${range})`);
        }
        return value;
    }
    if (typeof seed !== 'string') {
        throw new TypeError(`seed must be a number or a string, not ${kindOf(seed)}`);
    }
    const bytes = new TextEncoder().encode(seed);
    const value = wasmExports().blx_read_seed(put(bytes), bytes.length);
    if (Number.isNaN(value)) {
        const what = 'not a decimal number of seconds within the range of a 32-bit float';
        throw new RangeError(`invalid seed ${describe(seed)}: ${what}`);
    }
    return value;
}

// The generator state that a seed gives: the bits of its binary32 value.
function stateOf(value) {
    const float = new Float32Array([value]);
    return new Uint32Array(float.buffer)[0];
}

export function createGenerator(options) {
    const seed = seedOf(optionsOf(options, ['seed']).seed);
    let state = stateOf(seed);

    function run(count, codes) {
        const result = write(state, count, codes);
        state = result.state; // only once the whole text is there
        return result.bytes;
    }

    return Object.freeze({
        seed,

        sentences(count, options) {
            checkCount(count);
            const { codes, decode } = styleOf(options);
            const bytes = run(count, codes);
            if (decode === null) {
                return bytes.length === bytes.buffer.byteLength ? bytes : bytes.slice();
            }
            const text = decode(bytes);
            keepSpare(new Uint8Array(bytes.buffer));
            return text;
        },

        rows(count) {
            checkCount(count);
            const bytes = run(count, [kJson, kLines, kUtf8, kLf, 1]);
            const lines = decodeUtf8(bytes);
            keepSpare(new Uint8Array(bytes.buffer));
            return JSON.parse(`[${lines.slice(0, -1).replaceAll('\n', ',')}]`);
        },
    });
}

export function countOf(text) {
    let bytes;
    if (typeof text === 'string') {
        bytes = toWindows1252(text).bytes;
    } else if (text instanceof Uint8Array) {
        bytes = text;
    } else {
        throw new TypeError(`countOf takes a string or a Uint8Array, not ${kindOf(text)}`);
    }
    return wasmExports().blx_count_of(put(bytes), bytes.length);
}
