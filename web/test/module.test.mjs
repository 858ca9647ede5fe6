// The WebAssembly module through blaterix.js, in node: the bytes of
// blaterix-cli for every style, the count box's readings, the seeds.
//   BLATERIX_WASM  the module (default build/wasm/wasm/blaterix.wasm)
//   BLATERIX_CLI   the native blaterix-cli to compare with (default build/native/cli/blaterix-cli)
import { load, toWindows1252, timeOfDay, kMaxBytes } from '../blaterix.js';

import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';
import { fileURLToPath } from 'node:url';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const wasmPath = process.env.BLATERIX_WASM || path.join(root, 'build/wasm/wasm/blaterix.wasm');
const cliPath = process.env.BLATERIX_CLI || path.join(root, 'build/native/cli/blaterix-cli');
const fixtures = path.join(root, 'tests/fixtures');

const blaterix = await load(fs.readFileSync(wasmPath));

function cli(args) {
    const run = spawnSync(cliPath, args, { maxBuffer: 1 << 30 });
    assert.equal(run.status, 0, `blaterix-cli ${args.join(' ')}: ${run.stderr}`);
    return run.stdout;
}

function same(actual, expected, what) {
    assert.ok(Buffer.from(actual).equals(Buffer.from(expected)), `${what}: other bytes`);
}

test('seed 0 gives the fixtures of blaterix-cli in every style', () => {
    const cases = [
        ['seed0-2.txt', 2, {}],
        ['seed0-2.utf8.txt', 2, { encoding: 'utf-8', eol: 'lf' }],
        ['seed0-3.blocks.cp1252-lf.txt', 3, { eol: 'lf' }],
        ['seed0-3.blocks.utf8-crlf.txt', 3, { encoding: 'UTF8' }],
        ['seed0-3.lines.txt', 3, { layout: 'lines' }],
        ['seed0-3.lines.utf8.txt', 3, { layout: 'lines', encoding: 'utf-8', eol: 'lf' }],
        ['seed0-3.paragraphs2.txt', 3, { layout: 'paragraphs', perParagraph: 2 }],
        ['seed0-3.paragraphs.utf8.txt', 3, { layout: 'paragraphs', encoding: 'utf8', eol: 'lf' }],
        ['seed0-3.html', 3, { format: 'html' }],
        ['seed0-3.paragraphs2.html', 3, { format: 'html', layout: 'paragraphs', perParagraph: 2 }],
        ['seed0-3.jsonl', 3, { format: 'json' }],
        ['seed0-3.crlf.jsonl', 3, { format: 'json', eol: 'crlf' }],
    ];
    for (const [file, count, options] of cases) {
        blaterix.seed(0);
        same(blaterix.generate(count, options), fs.readFileSync(path.join(fixtures, file)), file);
    }
    blaterix.seed(0);
    const text = blaterix.generateText(2);
    assert.equal(
        text,
        fs.readFileSync(path.join(fixtures, 'seed0-2.utf8.txt'), 'utf8').replace(/\n/g, '\r\n'),
    );
});

test('the same bytes as blaterix-cli for other seeds, counts and styles', () => {
    const styles = [
        [[], {}],
        [
            ['--utf8', '--layout=paragraphs', '--sentences-per-paragraph=3'],
            { encoding: 'utf-8', eol: 'lf', layout: 'paragraphs', perParagraph: 3 },
        ],
        [['--format=json'], { format: 'json' }],
        [['--format=html', '--eol=crlf'], { format: 'html', eol: 'crlf' }],
    ];
    // Seeds as --seed takes them: the text is rounded once to binary32, so the
    // last one gives 1 + 2^-23 where a detour through a double would give 1.
    const seeds = [
        '43200',
        '-0',
        '86399.999',
        '1e-45',
        '3.4e38',
        '0.1',
        '1.000000059604644775390625000001',
    ];
    for (const seed of seeds) {
        for (const [flags, options] of styles) {
            for (const count of [1, 7, 1000]) {
                blaterix.seed(seed);
                const args = ['--seed', seed, ...flags, String(count)];
                same(blaterix.generate(count, options), cli(args), args.join(' '));
            }
        }
    }
    // Thousands of chunks, each cut in the middle of a sentence.
    blaterix.seed(12345.678);
    same(blaterix.generate(250000), cli(['--seed', '12345.678', '250000']), '250000 sentences');
});

test('seed: numbers round to binary32, texts as --seed takes them, and nothing else', () => {
    assert.equal(blaterix.seed('86399.999'), 86400);
    assert.equal(blaterix.seed(86399.999), 86400);
    assert.equal(blaterix.seed('0.1'), Math.fround(0.1));
    assert.equal(blaterix.seed('1.000000059604644775390625000001'), 1 + 2 ** -23);
    assert.ok(Object.is(blaterix.seed(-0), -0));
    for (const bad of [
        'abc',
        '',
        ' 1',
        '0x10',
        '1e400',
        '3.5e38',
        'inf',
        'nan',
        '1e',
        '1.2.3',
        '0\u00001',
        Infinity,
        NaN,
        1e39,
        undefined,
        null,
    ]) {
        assert.throws(() => blaterix.seed(bad), RangeError, String(bad));
    }
    // -0 and 0 are different states, as the program's clock seeds them.
    blaterix.seed(-0);
    const negative = blaterix.generate(2);
    blaterix.seed(0);
    assert.notDeepEqual(blaterix.generate(2), negative);
});

test('a new generator starts from the state the program starts with', async () => {
    const fresh = await load(fs.readFileSync(wasmPath));
    const line = new TextDecoder().decode(fresh.generate(2, { format: 'json' }));
    assert.match(line, /"rows": \[10,3,6,2,9,1,5\]\}\n.*"rows": \[10,4,8,7,9,4,7\]\}\n$/);
});

test('sentences go on from call to call until the next seed', () => {
    blaterix.seed(500);
    const both = blaterix.generate(2);
    blaterix.seed(500);
    const first = blaterix.generate(1);
    const second = blaterix.generate(1);
    same([...first, ...second], both, 'two calls of one sentence');
    assert.notDeepEqual(first, second);
    blaterix.seed(500);
    assert.equal(blaterix.generate(0).length, 0);
    same(blaterix.generate(2), both, 'after no sentence, no draw');
});

test('countOf reads as the count box does', () => {
    const cases = [
        ['', 0],
        ['10', 10],
        [' 12', 12],
        ['\t7', 7],
        ['\r5', 0],
        ['abc', 0],
        ['12abc', 12],
        ['1 2', 1],
        ['007', 7],
        ['000', 0],
        ['999', 999],
        ['-3', -3],
        ['+7', 7],
        ['-', 0],
        ['--1', 0],
        ['2.5', 2],
        ['3.5', 4],
        ['.5', 0],
        ['1.5', 2],
        ['5.', 5],
        ['1.2.3', 1],
        ['1,000', 1],
        ['1e2', 100],
        ['1D2', 100],
        ['1e', 1],
        ['1e-1', 0],
        ['9e9', 410065408],
        ['3e9', -1294967296],
        ['e5', 0],
        ['0x10', 0],
        ['&H10', 16],
        ['&h1f', 31],
        ['&17', 15],
        ['&B101', 5],
        ['&O17', 15],
        ['&H', 0],
        ['&', 0],
        ['&H1G', 1],
        ['&HFFFF', -1],
        ['&H0FFFF', 65535],
        ['&HFFFF&', 65535],
        ['&H8000', -32768],
        ['&HFFFFFFFF', -1],
        ['&HFFFFFFFF&&', -1],
        ['&HFF?', 255],
        ['123456789012345678901', 0],
        ['1e5000', 0],
        // The count box's three characters, pasted.
        ['-5', -5],
        ['&H1', 1],
        ['1e4', 10000],
        ['-.4', 0],
        // Where the arithmetic shows: rounding, the 64-bit range, the low 32 bits.
        ['-2.5', -2],
        ['-3.5', -4],
        ['2147483647.5', -2147483648],
        ['4294967297', 1],
        ['1234567890123456789', 2112454924],
        ['9223372036854775807', -8],
        ['-9223372036854775808', 8],
        ['9.3e18', 0],
        ['&H7FFFFFFFFFFFFFFF', -1],
        ['&H8000000000000000', 0],
        ['&HFFFFFFFFFFFFFFFF?', 0],
        ['1e-4933', 0],
        ['1e4932', 0],
    ];
    for (const [text, count] of cases) {
        assert.equal(blaterix.countOf(text), count, JSON.stringify(text));
    }
    // Bytes go in as they are; a character that Windows-1252 lacks reads as "?".
    assert.equal(blaterix.countOf(new Uint8Array([0x35, 0x00, 0x35])), 5);
    assert.equal(blaterix.countOf('&HFFFF'), -1);
    assert.equal(blaterix.countOf('&HFFFF\u2713'), 65535);
    assert.equal(blaterix.countOf('7'.repeat(100000)), 0);
    assert.throws(() => blaterix.countOf(5), TypeError);
});

test('generate refuses what blaterix-cli refuses, and what cannot be held', () => {
    const refused = [
        [-1, {}],
        [1.5, {}],
        [2 ** 31, {}],
        ['3', {}],
        [1, { format: 'xml' }],
        [1, { encoding: 'latin1' }],
        [1, { eol: 'cr' }],
        [1, { layout: 'columns' }],
        [1, { format: 'html', encoding: 'cp1252' }],
        [1, { format: 'json', layout: 'paragraphs' }],
        [1, { perParagraph: 2 }],
        [1, { layout: 'paragraphs', perParagraph: 0 }],
        [kMaxBytes / 100 + 1, {}],
    ];
    for (const [count, options] of refused) {
        assert.throws(
            () => blaterix.generate(count, options),
            RangeError,
            `${count} ${JSON.stringify(options)}`,
        );
    }
});

test('generateChunks streams and stops when told', () => {
    blaterix.seed(7);
    const whole = blaterix.generate(3000);
    blaterix.seed(7);
    const pieces = [];
    assert.equal(
        blaterix.generateChunks(3000, {}, (chunk) => {
            pieces.push(chunk);
        }),
        true,
    );
    assert.ok(pieces.length > 1 && pieces.every((p) => p.length <= 65536));
    same(Buffer.concat(pieces), whole, 'the chunks joined');

    let calls = 0;
    assert.equal(
        blaterix.generateChunks(100000, {}, () => ++calls < 2),
        false,
    );
    assert.equal(calls, 2);
    // A chunk handler that throws leaves the generator usable.
    assert.throws(
        () =>
            blaterix.generateChunks(10, {}, () => {
                throw new Error('reader gone');
            }),
        /reader gone/,
    );
    blaterix.seed(7);
    same(blaterix.generate(3000), whole, 'after a stop');
});

test('toWindows1252 names what it cannot hold; timeOfDay is the clock seed', () => {
    const { bytes, unmappable } = toWindows1252('Perch\u00e8 \u20ac 5 \u2713 \u{1F600} \u2713');
    assert.deepEqual([...bytes], [...Buffer.from('Perch\xe8 \x80 5 ? ? ?', 'latin1')]);
    assert.deepEqual(unmappable, ['\u2713', '\u{1F600}']);
    assert.deepEqual([...toWindows1252('\u0081\u00ff').bytes], [0x81, 0xff]);
    assert.deepEqual(toWindows1252('\ud800').unmappable, ['\ud800']);
    assert.equal(timeOfDay(new Date(2024, 0, 1, 9, 30, 15, 250)), 34215.25);
    assert.equal(timeOfDay(new Date(2024, 0, 1, 23, 59, 59, 999)), 86399.999);
});
