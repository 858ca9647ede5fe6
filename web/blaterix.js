// Blaterix in JavaScript: the sentences of the program, byte for byte, from
// its WebAssembly module (blaterix.wasm). Plain ES2020, no dependencies.
//
//   const blaterix = await load(bytesOrUrl);
//   blaterix.seed(43200);                   // or seed('43200'), as --seed takes it
//   blaterix.countOf('3.5');                // 4, as the count box reads it
//   blaterix.generate(3);                   // Uint8Array: what blaterix-cli writes to a file
//   blaterix.generateText(3, { eol: 'lf' }) // the same sentences as a string
//
// One loaded module is one generator: its sentences follow each other as the
// program's do, until the next seed.

// The choices of each option, by the codes of the module's C interface; each
// choice may go by several names, in any letter case.
const kFormats = { text: 0, html: 1, json: 2 };
const kLayouts = { blocks: 0, lines: 1, paragraphs: 2 };
const kEncodings = { cp1252: 0, 'windows-1252': 0, 'utf-8': 1, utf8: 1 };
const kEols = { crlf: 0, lf: 1 };

// What blx_generate returns.
const kDone = 0;
const kStopped = 2;

// The most bytes that generate() and generateText() return in one piece;
// generateChunks() streams any number of sentences.
export const kMaxBytes = 2 ** 30;

// No sentence, in any style, takes fewer bytes than the first; most take
// fewer than the second.
const kShortestSentence = 100;
const kTypicalSentence = 320;

// The code points that Windows-1252 gives the bytes 0x80..0x9F. The five bytes
// that it leaves unassigned stand for the same C1 code points, as browsers
// decode them.
const kHigh1252 = [
    0x20ac, 0x81, 0x201a, 0x192, 0x201e, 0x2026, 0x2020, 0x2021, 0x2c6, 0x2030, 0x160, 0x2039,
    0x152, 0x8d, 0x17d, 0x8f, 0x90, 0x2018, 0x2019, 0x201c, 0x201d, 0x2022, 0x2013, 0x2014, 0x2dc,
    0x2122, 0x161, 0x203a, 0x153, 0x9d, 0x17e, 0x178,
];
let byteOfCodePoint = null; // code point -> byte, for the code points above 0x7F

// Encodes text in Windows-1252: { bytes, unmappable }, where unmappable lists
// once each, in order, the characters that it cannot hold; each of them
// becomes "?" in bytes.
export function toWindows1252(text) {
    if (byteOfCodePoint === null) {
        byteOfCodePoint = new Map();
        kHigh1252.forEach((cp, i) => byteOfCodePoint.set(cp, 0x80 + i));
        for (let cp = 0xa0; cp <= 0xff; ++cp) {
            byteOfCodePoint.set(cp, cp);
        }
    }
    const bytes = new Uint8Array(text.length);
    const unmappable = [];
    let n = 0;
    for (let i = 0; i < text.length; ++i) {
        const unit = text.charCodeAt(i);
        if (unit < 0x80) {
            bytes[n++] = unit;
            continue;
        }
        const byte = byteOfCodePoint.get(unit);
        if (byte !== undefined) {
            bytes[n++] = byte;
            continue;
        }
        // A surrogate pair is one character, and one "?".
        const cp = text.codePointAt(i);
        const character = String.fromCodePoint(cp);
        i += character.length - 1;
        if (!unmappable.includes(character)) {
            unmappable.push(character);
        }
        bytes[n++] = 0x3f;
    }
    return { bytes: bytes.subarray(0, n), unmappable };
}

// The local time of day of date in seconds, to the millisecond: the seed that
// the program takes from the clock.
export function timeOfDay(date = new Date()) {
    const ms =
        date.getHours() * 3600000 +
        date.getMinutes() * 60000 +
        date.getSeconds() * 1000 +
        date.getMilliseconds();
    return ms / 1000;
}

function choose(name, value, choices, fallback) {
    if (value === undefined) {
        return fallback;
    }
    const code = typeof value === 'string' ? choices[value.toLowerCase()] : undefined;
    if (code === undefined) {
        const valid = Object.keys(choices).join(', ');
        throw new RangeError(`invalid ${name} ${JSON.stringify(value)} (valid: ${valid})`);
    }
    return code;
}

// The module's style codes for the options, with blaterix-cli's defaults for
// a file: Windows-1252 and CR LF for text, UTF-8 and LF for html and json.
function styleOf(options) {
    const o = options || {};
    const format = choose('format', o.format, kFormats, kFormats.text);
    const text = format === kFormats.text;
    const json = format === kFormats.json;
    const layout = choose('layout', o.layout, kLayouts, json ? kLayouts.lines : kLayouts.blocks);
    const encoding = choose('encoding', o.encoding, kEncodings, text ? 0 : 1);
    const eol = choose('eol', o.eol, kEols, text ? 0 : 1);
    if (!text && encoding !== kEncodings.utf8) {
        throw new RangeError(`format ${JSON.stringify(o.format)} writes UTF-8 only`);
    }
    if (json && layout !== kLayouts.lines) {
        throw new RangeError('format "json" writes one sentence per line');
    }
    let perParagraph = 5;
    if (o.perParagraph !== undefined) {
        if (layout !== kLayouts.paragraphs) {
            throw new RangeError('perParagraph needs layout "paragraphs"');
        }
        perParagraph = o.perParagraph;
        if (!Number.isInteger(perParagraph) || perParagraph < 1 || perParagraph > 2147483647) {
            throw new RangeError('perParagraph must be a whole number from 1 to 2147483647');
        }
    }
    return [format, layout, encoding, eol, perParagraph];
}

function checkCount(count) {
    if (!Number.isInteger(count) || count < 0 || count > 2147483647) {
        throw new RangeError('count must be a whole number from 0 to 2147483647');
    }
}

async function moduleBytes(source) {
    if (typeof source === 'string' || source instanceof URL) {
        source = await fetch(source);
    }
    if (typeof Response !== 'undefined' && source instanceof Response) {
        if (!source.ok) {
            throw new Error(`blaterix.wasm: ${source.status} ${source.statusText}`);
        }
        return source.arrayBuffer();
    }
    return source;
}

// Loads the module from its bytes (an ArrayBuffer or a typed array), a
// compiled WebAssembly.Module, a Response, or a URL to fetch; resolves to the
// generator.
export async function load(source) {
    let take = null; // the current call's taker of chunks
    const imports = {
        blaterix: {
            chunk: (at, size) => (take(at, size) ? 1 : 0),
        },
    };
    const given = await moduleBytes(source);
    const instance =
        given instanceof WebAssembly.Module
            ? await WebAssembly.instantiate(given, imports)
            : (await WebAssembly.instantiate(given, imports)).instance;
    const m = instance.exports;
    m._initialize();

    // Puts bytes into the module's scratch buffer; returns its address.
    function put(bytes) {
        const at = m.blx_scratch(bytes.length);
        if (at === 0) {
            throw new RangeError('the text is too long for the module');
        }
        new Uint8Array(m.memory.buffer, at, bytes.length).set(bytes);
        return at;
    }

    // Runs the writer, handing each chunk (a view of the module's memory,
    // valid during the call) to onChunk; true when every sentence was written.
    function write(count, options, onChunk) {
        checkCount(count);
        const style = styleOf(options);
        if (take !== null) {
            throw new Error('blaterix: a generation is already under way');
        }
        take = (at, size) => onChunk(new Uint8Array(m.memory.buffer, at, size)) !== false;
        try {
            const status = m.blx_generate(count, ...style);
            if (status !== kDone && status !== kStopped) {
                throw new RangeError('blaterix: the module refused the style');
            }
            return status === kDone;
        } finally {
            take = null;
        }
    }

    function generate(count, options) {
        checkCount(count);
        if (count > kMaxBytes / kShortestSentence) {
            throw new RangeError(`more than ${kMaxBytes} bytes: use generateChunks`);
        }
        // One buffer of about the size that the text takes, grown should the
        // draws run long; chunks are copied straight into it.
        let out = new Uint8Array(Math.min(kMaxBytes, count * kTypicalSentence));
        let size = 0;
        const done = write(count, options, (chunk) => {
            if (size + chunk.length > out.length) {
                if (size + chunk.length > kMaxBytes) {
                    return false;
                }
                const grown = new Uint8Array(Math.min(kMaxBytes, 2 * out.length + chunk.length));
                grown.set(out.subarray(0, size));
                out = grown;
            }
            out.set(chunk, size);
            size += chunk.length;
            return true;
        });
        if (!done) {
            throw new RangeError(`more than ${kMaxBytes} bytes: use generateChunks`);
        }
        return size === out.length ? out : out.slice(0, size);
    }

    return {
        // Seeds the generator with a time of day in seconds: a number, rounded
        // to the nearest binary32, or a text as blaterix-cli's --seed takes it.
        // Returns the binary32 value used; a RangeError when it is not finite
        // or the text is not a decimal number.
        seed(s) {
            let value;
            if (typeof s === 'string') {
                const bytes = new TextEncoder().encode(s);
                value = m.blx_read_seed(put(bytes), bytes.length);
            } else if (typeof s === 'number') {
                value = Math.fround(s);
            }
            if (!Number.isFinite(value)) {
                throw new RangeError(`invalid seed ${JSON.stringify(String(s))}`);
            }
            m.blx_seed(value);
            return value;
        },

        // The count that the program's count box gives for text (a string, or
        // Windows-1252 bytes): RoundToWhole(ParseNumber(text)), a signed 32-bit
        // whole number. Characters that Windows-1252 cannot hold read as "?".
        countOf(text) {
            const bytes = typeof text === 'string' ? toWindows1252(text).bytes : text;
            if (!(bytes instanceof Uint8Array)) {
                throw new TypeError('countOf takes a string or a Uint8Array');
            }
            return m.blx_count_of(put(bytes), bytes.length);
        },

        // count sentences as blaterix-cli writes them into a file, as bytes.
        // options: format ('text', 'html', 'json'), layout ('blocks', 'lines',
        // 'paragraphs'), encoding ('cp1252', 'utf-8'), eol ('crlf', 'lf'),
        // perParagraph (with layout 'paragraphs'; 5 by default).
        generate,

        // The same sentences as a string (the text is made in UTF-8, whatever
        // the encoding option says).
        generateText(count, options) {
            const bytes = generate(count, Object.assign({}, options, { encoding: 'utf-8' }));
            return new TextDecoder().decode(bytes);
        },

        // Streams count sentences: onChunk(bytes) gets each piece of at most
        // 64 KiB, a copy, and may return false to stop. Returns true when
        // every sentence was handed over.
        generateChunks(count, options, onChunk) {
            return write(count, options, (view) => onChunk(view.slice()));
        },
    };
}
