// The package blaterix as a user gets it: the tarball installed into a fresh
// folder with no network, imported by name in node, against blaterix-cli.
import {
    bytesOf,
    cli,
    cliArgs,
    installPackage,
    kSeeds,
    kStyles,
    root,
    tarballPath,
} from './cases.mjs';

import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';
import { after, test } from 'node:test';
import { pathToFileURL } from 'node:url';

const dir = installPackage();
after(() => fs.rmSync(dir, { recursive: true, force: true }));
const entry = createRequire(path.join(dir, 'package.json')).resolve('blaterix');
const { createGenerator, countOf } = await import(pathToFileURL(entry).href);

function same(actual, expected, what) {
    assert.ok(bytesOf(actual).equals(expected), `${what}: other bytes`);
}

test('the same bytes as blaterix-cli for every seed, layout and format', () => {
    for (const seed of kSeeds) {
        for (const options of kStyles) {
            for (const count of [0, 1, 7, 1000]) {
                const args = cliArgs(seed, count, options);
                same(
                    createGenerator({ seed }).sentences(count, options),
                    cli(args),
                    args.join(' '),
                );
            }
        }
    }
    // Thousands of chunks, each cut in the middle of a sentence, in an output
    // that outgrows its first guess of the size.
    const args = cliArgs('7', 150000, { format: 'json' });
    same(
        createGenerator({ seed: '7' }).sentences(150000, { format: 'json' }),
        cli(args),
        args.join(' '),
    );
});

test('strings for UTF-8, bytes for Windows-1252', () => {
    const g = createGenerator({ seed: 0 });
    assert.equal(typeof g.sentences(2), 'string');
    assert.equal(typeof g.sentences(2, { format: 'html', encoding: 'utf-8' }), 'string');
    const bytes = g.sentences(2, { encoding: 'cp1252' });
    assert.ok(bytes instanceof Uint8Array);
    assert.equal(bytes.byteLength, bytes.buffer.byteLength, 'no hidden tail behind the bytes');
    // The program's file: "Salva" after "Genera" for two sentences from seed 0.
    same(
        createGenerator({ seed: 0 }).sentences(2, { encoding: 'cp1252', eol: 'crlf' }),
        fs.readFileSync(path.join(root, 'tests/fixtures/seed0-2.txt')),
        'seed0-2.txt',
    );
});

test('each generator has its own state, and calls go on where the last one stopped', () => {
    const noon = createGenerator({ seed: 43200 });
    const zero = createGenerator({ seed: 0 });
    const taken = { noon: [], zero: [] };
    taken.zero.push(zero.sentences(1, { layout: 'lines' }));
    taken.noon.push(noon.sentences(2, { layout: 'lines' }));
    createGenerator({ seed: 5 }).sentences(3); // a third one in between
    taken.zero.push(zero.sentences(2, { layout: 'lines' }));
    assert.throws(() => noon.sentences(1, { layout: 'columns' }), RangeError); // draws nothing
    taken.noon.push(
        noon
            .rows(1)
            .map((r) => `${r.text}\n`)
            .join(''),
    );
    taken.zero.push(zero.sentences(0), zero.sentences(3, { layout: 'lines' }));
    same(taken.zero.join(''), cli(cliArgs('0', 6, { layout: 'lines' })), 'seed 0 in four calls');
    same(taken.noon.join(''), cli(cliArgs('43200', 3, { layout: 'lines' })), 'noon in two calls');
});

test('rows are the seven rows drawn, as blaterix-cli --format=json gives them', () => {
    const g = createGenerator({ seed: '-0' });
    const rows = g.rows(500);
    const lines = cli(cliArgs('-0', 501, { format: 'json' }))
        .toString('utf8')
        .split('\n');
    assert.deepEqual(
        rows,
        lines.slice(0, 500).map((line) => JSON.parse(line)),
    );
    assert.ok(
        rows.every((r) => r.rows.length === 7 && r.rows.every((row) => row >= 1 && row <= 10)),
    );
    assert.deepEqual(g.rows(1), [JSON.parse(lines[500])]);
    assert.deepEqual(g.rows(0), []);
});

test('seeds: numbers round to a 32-bit float, strings as --seed reads them, none is the time of day', () => {
    assert.equal(createGenerator({ seed: 86399.999 }).seed, 86400);
    assert.equal(createGenerator({ seed: '86399.999' }).seed, 86400);
    assert.equal(createGenerator({ seed: '1.000000059604644775390625000001' }).seed, 1 + 2 ** -23);
    assert.ok(Object.is(createGenerator({ seed: -0 }).seed, -0));
    assert.ok(Object.is(createGenerator({ seed: '-0' }).seed, -0));
    assert.notEqual(
        createGenerator({ seed: -0 }).sentences(1),
        createGenerator({ seed: 0 }).sentences(1),
    );
    // A generator's seed gives its sentences again.
    const first = createGenerator();
    assert.equal(createGenerator({ seed: first.seed }).sentences(3), first.sentences(3));

    const secondOfDay = (d) =>
        d.getHours() * 3600 + d.getMinutes() * 60 + d.getSeconds() + d.getMilliseconds() / 1000;
    const before = Math.fround(secondOfDay(new Date()));
    const seed = createGenerator().seed;
    const after = Math.fround(secondOfDay(new Date()));
    // Unless the clock went past midnight in between.
    if (before <= after) {
        assert.ok(before <= seed && seed <= after, `${before} <= ${seed} <= ${after}`);
    }
});

test('what blaterix-cli refuses throws, naming the problem', () => {
    const g = createGenerator({ seed: 0 });
    const refused = [
        [
            () => g.sentences(-1),
            RangeError,
            /count must be a whole number from 0 to 2147483647, not -1/,
        ],
        [() => g.sentences(2.5), RangeError, /count .* not 2\.5/],
        [() => g.sentences(2 ** 31), RangeError, /count .* not 2147483648/],
        [() => g.sentences(NaN), RangeError, /count .* not NaN/],
        [() => g.sentences('3'), TypeError, /count must be a number, not string/],
        [() => g.sentences(), TypeError, /count must be a number, not undefined/],
        [() => g.sentences(3e6), RangeError, /more than 536870888 characters/],
        [() => g.rows(1.5), RangeError, /count/],
        [
            () => g.sentences(1, { layout: 'columns' }),
            RangeError,
            /invalid layout "columns" \(valid: blocks, lines, paragraphs\)/,
        ],
        [
            () => g.sentences(1, { format: 'xml' }),
            RangeError,
            /invalid format "xml" \(valid: text, html, json\)/,
        ],
        [
            () => g.sentences(1, { encoding: 'latin1' }),
            RangeError,
            /invalid encoding "latin1" \(valid: cp1252, utf-8\)/,
        ],
        [() => g.sentences(1, { eol: 'cr' }), RangeError, /invalid eol "cr" \(valid: crlf, lf\)/],
        [() => g.sentences(1, { layout: 2 }), TypeError, /layout must be a string, not number/],
        [() => g.sentences(1, { eol: null }), TypeError, /eol must be a string, not null/],
        [
            () => g.sentences(1, { format: 'html', encoding: 'cp1252' }),
            RangeError,
            /format "html" writes UTF-8 only, not encoding "cp1252"/,
        ],
        [
            () => g.sentences(1, { format: 'json', layout: 'blocks' }),
            RangeError,
            /format "json" writes one sentence per line; it takes no layout "blocks"/,
        ],
        [
            () => g.sentences(1, { sentencesPerParagraph: 2 }),
            RangeError,
            /sentencesPerParagraph needs layout "paragraphs"/,
        ],
        [
            () => g.sentences(1, { format: 'json', sentencesPerParagraph: 2 }),
            RangeError,
            /needs layout "paragraphs"/,
        ],
        [
            () => g.sentences(1, { layout: 'paragraphs', sentencesPerParagraph: 0 }),
            RangeError,
            /sentencesPerParagraph must be a whole number from 1 to 2147483647, not 0/,
        ],
        [
            () => g.sentences(1, { layout: 'paragraphs', sentencesPerParagraph: '2' }),
            TypeError,
            /sentencesPerParagraph must be a number/,
        ],
        [
            () => g.sentences(1, { perParagraph: 2 }),
            TypeError,
            /unknown option "perParagraph" \(known: layout, format, encoding, eol, sentencesPerParagraph\)/,
        ],
        [() => g.sentences(1, 'lines'), TypeError, /options must be an object, not string/],
        [
            () => createGenerator({ seed: 1e39 }),
            RangeError,
            /seed 1e\+39 does not fit a 32-bit float/,
        ],
        [() => createGenerator({ seed: Infinity }), RangeError, /seed Infinity does not fit/],
        [() => createGenerator({ seed: NaN }), RangeError, /seed NaN does not fit/],
        [
            () => createGenerator({ seed: '3.5e38' }),
            RangeError,
            /invalid seed "3\.5e38": not a decimal number of seconds within the range of a 32-bit float/,
        ],
        [() => createGenerator({ seed: 'abc' }), RangeError, /invalid seed "abc"/],
        [() => createGenerator({ seed: '' }), RangeError, /invalid seed ""/],
        [() => createGenerator({ seed: ' 1' }), RangeError, /invalid seed " 1"/],
        [() => createGenerator({ seed: '0\u00001' }), RangeError, /invalid seed/],
        [
            () => createGenerator({ seed: null }),
            TypeError,
            /seed must be a number or a string, not null/,
        ],
        [() => createGenerator({ seed: 1n }), TypeError, /not bigint/],
        [() => createGenerator({ sed: 1 }), TypeError, /unknown option "sed" \(known: seed\)/],
        [() => countOf(5), TypeError, /countOf takes a string or a Uint8Array, not number/],
    ];
    for (const [call, type, message] of refused) {
        assert.throws(call, (e) => e.constructor === type && message.test(e.message), `${call}`);
    }
    // Each refused call leaves the generator where it was.
    same(g.sentences(2), cli(cliArgs('0', 2)), 'after the refusals');
});

test('countOf reads as the count box does', () => {
    const cases = [
        ['10', 10],
        [' 12', 12],
        ['', 0],
        ['abc', 0],
        ['2.5', 2],
        ['3.5', 4],
        ['&H10', 16],
        ['&O17', 15],
        ['1e3', 1000],
        ['9e9', 410065408],
        ['-3', -3],
        // A character that Windows-1252 holds is a byte of its own; one that it
        // lacks reads as "?", which makes &H.. unsigned.
        ['&HFFFF\u00e8', -1],
        ['&HFFFF\u2713', 65535],
        ['&HFFFF?', 65535],
    ];
    for (const [text, count] of cases) {
        assert.equal(countOf(text), count, JSON.stringify(text));
    }
    assert.equal(countOf(new Uint8Array([0x35, 0x00, 0x35])), 5);
    assert.equal(countOf(new Uint8Array(0)), 0);
});

test('imported by name from ES modules and from CommonJS, and typed', () => {
    const script = (name, body) => {
        fs.writeFileSync(path.join(dir, name), body);
        return execFileSync(process.execPath, [name], { cwd: dir, encoding: 'utf8' });
    };
    const expected = cli(cliArgs('43200', 2, { layout: 'lines' })).toString('utf8');
    const esm = script(
        'use.mjs',
        "import { createGenerator } from 'blaterix';\nprocess.stdout.write(createGenerator({ seed: 43200 }).sentences(2, { layout: 'lines' }));\n",
    );
    assert.equal(esm, expected);
    const [major, minor] = process.versions.node.split('.').map(Number);
    if (major > 22 || (major === 22 && minor >= 12) || (major === 20 && minor >= 19)) {
        // require() of an ES module
        const cjs = script(
            'use.cjs',
            "const { createGenerator } = require('blaterix');\nprocess.stdout.write(createGenerator({ seed: 43200 }).sentences(2, { layout: 'lines' }));\n",
        );
        assert.equal(cjs, expected);
    }

    // The declarations, as TypeScript reads them through the package's exports.
    const tsc = path.join(root, 'npm/test/node_modules/typescript/bin/tsc');
    fs.copyFileSync(path.join(root, 'npm/test/use.ts'), path.join(dir, 'use.ts'));
    const options = [
        '--noEmit',
        '--strict',
        '--module',
        'nodenext',
        '--moduleResolution',
        'nodenext',
        '--target',
        'es2022',
        'use.ts',
    ];
    const checked = spawnSync(process.execPath, [tsc, ...options], { cwd: dir, encoding: 'utf8' });
    assert.equal(checked.status, 0, `tsc use.ts:\n${checked.stdout}${checked.stderr}`);
});

test('the tarball: the files a user needs, no dependencies, smaller than lorem-ipsum 2.0.10', () => {
    const manifest = JSON.parse(
        fs.readFileSync(path.join(dir, 'node_modules/blaterix/package.json'), 'utf8'),
    );
    assert.equal(manifest.name, 'blaterix');
    assert.equal(manifest.license, 'MIT');
    assert.equal(manifest.dependencies, undefined);
    const files = fs.readdirSync(path.join(dir, 'node_modules/blaterix')).sort();
    assert.deepEqual(files, [
        'LICENSE',
        'README.md',
        'blaterix-wasm.js',
        'blaterix.js',
        'index.d.ts',
        'index.js',
        'package.json',
    ]);
    const size = fs.statSync(tarballPath()).size;
    assert.ok(size < 42947, `the tarball takes ${size} bytes`);
});
