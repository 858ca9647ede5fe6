// The package blaterix in Chromium: the installed tarball, imported by name
// from a <script type="module"> through an import map, as a page without a
// bundler uses it; its sentences against blaterix-cli's bytes.
import { startBrowser } from '../../web/test/browser.mjs';
import { cli, cliArgs, installPackage, kSeeds, kStyles } from './cases.mjs';

import assert from 'node:assert/strict';
import { createHash } from 'node:crypto';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';

// The page's made-up origin: Playwright answers its requests from the
// installed folder, so nothing listens on a port and nothing leaves the
// machine; https makes the page a secure context, which crypto.subtle needs.
const origin = 'https://blaterix.test';
const page = `<!doctype html>
<html lang="it"><head><meta charset="utf-8"><title>blaterix</title>
<script type="importmap">{ "imports": { "blaterix": "/node_modules/blaterix/index.js" } }</script>
<script type="module">
  import * as blaterix from 'blaterix';
  window.blaterix = blaterix;
  document.documentElement.dataset.ready = '';
</script></head><body></body></html>`;

let dir;
let browser;
let tab;
const errors = [];

before(async () => {
    dir = installPackage();
    browser = await startBrowser();
    await browser.context.route(`${origin}/**`, (route) => {
        const { pathname } = new URL(route.request().url());
        if (pathname === '/') {
            return route.fulfill({ contentType: 'text/html; charset=utf-8', body: page });
        }
        const file = path.join(dir, path.normalize(pathname));
        if (!file.startsWith(dir + path.sep) || !fs.existsSync(file)) {
            return route.fulfill({ status: 404 });
        }
        return route.fulfill({
            contentType: 'text/javascript; charset=utf-8',
            body: fs.readFileSync(file),
        });
    });
    tab = await browser.context.newPage();
    tab.on('pageerror', (error) => errors.push(error.message));
    await tab.goto(`${origin}/`);
    await tab.waitForSelector('html[data-ready]', { state: 'attached', timeout: 15000 });
});

after(async () => {
    await browser?.close();
    if (dir) {
        fs.rmSync(dir, { recursive: true, force: true });
    }
});

const sha256 = (bytes) => createHash('sha256').update(bytes).digest('hex');

test('the same bytes as blaterix-cli in Chromium for every seed, layout and format', async () => {
    const cases = [];
    for (const seed of kSeeds) {
        for (const options of kStyles) {
            cases.push({ seed, options, count: seed === '0' ? 1000 : 7 });
        }
    }
    // Each result comes back as the SHA-256 of its bytes (strings in UTF-8),
    // with its type.
    const digests = await tab.evaluate(async (cases) => {
        const hex = async (bytes) =>
            [...new Uint8Array(await crypto.subtle.digest('SHA-256', bytes))]
                .map((b) => b.toString(16).padStart(2, '0'))
                .join('');
        const out = [];
        for (const { seed, options, count } of cases) {
            const result = window.blaterix.createGenerator({ seed }).sentences(count, options);
            const bytes = typeof result === 'string' ? new TextEncoder().encode(result) : result;
            out.push({ type: result.constructor.name, digest: await hex(bytes) });
        }
        return out;
    }, cases);
    cases.forEach(({ seed, options, count }, i) => {
        const args = cliArgs(seed, count, options);
        const bytes = options.encoding?.toLowerCase().endsWith('1252');
        assert.deepEqual(
            digests[i],
            { type: bytes ? 'Uint8Array' : 'String', digest: sha256(cli(args)) },
            args.join(' '),
        );
    });
});

test('generators, rows, countOf and refusals in Chromium', async () => {
    const got = await tab.evaluate(() => {
        const { createGenerator, countOf } = window.blaterix;
        const a = createGenerator({ seed: '43200' });
        const b = createGenerator({ seed: 43200 });
        const split = a.sentences(2, { layout: 'lines' }) + a.sentences(1, { layout: 'lines' });
        const refusal = (call) => {
            try {
                call();
                return 'none';
            } catch (e) {
                return `${e instanceof TypeError ? 'TypeError' : e instanceof RangeError ? 'RangeError' : 'other'}: ${e.message}`;
            }
        };
        return {
            split,
            rows: b.rows(3),
            counts: ['3.5', '&H10', '&HFFFF\u2713'].map(countOf),
            clock: createGenerator().seed,
            refusals: [
                refusal(() => a.sentences(1.5)),
                refusal(() => a.sentences(1, { layout: 'columns' })),
                refusal(() => createGenerator({ seed: '1e39' })),
            ],
        };
    });
    assert.equal(got.split, cli(cliArgs('43200', 3, { layout: 'lines' })).toString('utf8'));
    assert.deepEqual(
        got.rows,
        cli(cliArgs('43200', 3, { format: 'json' }))
            .toString('utf8')
            .trim()
            .split('\n')
            .map((line) => JSON.parse(line)),
    );
    assert.deepEqual(got.counts, [4, 16, 65535]);
    assert.ok(got.clock >= 0 && got.clock <= 86400, `the time of day: ${got.clock}`);
    assert.deepEqual(got.refusals, [
        'RangeError: count must be a whole number from 0 to 2147483647, not 1.5',
        'RangeError: invalid layout "columns" (valid: blocks, lines, paragraphs)',
        'RangeError: invalid seed "1e39": not a decimal number of seconds within the range of a 32-bit float',
    ]);
    assert.deepEqual(errors, []);
});
