// The page's speed in Chromium, each figure against a baseline of the same run:
//   "Genera" of 10,000 sentences      setting the same text into the text area
//   navigation to a usable page       the same markup without its script
//   1,000,000 sentences in the module the native blaterix-cli writing them to /dev/null
// Each figure is the median of nine runs.
//   node web/bench.mjs     (after the wasm and native builds)
import { startBrowser, openPage, pagePath, cliPath, root } from './test/browser.mjs';

import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { pathToFileURL } from 'node:url';

const kRuns = 9;
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const ms = (value) => `${value.toFixed(1)} ms`;
function report(name, value, baselineName, baseline) {
    console.log(
        `${name}: ${ms(value)}; ${baselineName}: ${ms(baseline)}; ratio ${(value / baseline).toFixed(3)} x`,
    );
}

const browser = await startBrowser();
try {
    // "Genera" against setting the same text: both replace a text of 10,000
    // sentences with another and lay it out.
    const page = await openPage(browser.context, '?seed=43200');
    const genera = await page.evaluate((runs) => {
        const output = document.getElementById('output');
        const button = document.getElementById('generate');
        document.getElementById('count').value = '1e4';
        const times = { genera: [], set: [] };
        // A string made as "Genera" makes its own, from UTF-8 bytes.
        const copy = () => new TextDecoder().decode(new TextEncoder().encode(output.value));
        button.click(); // the first call runs the module's baseline code
        let earlier = copy();
        for (let i = 0; i < runs; ++i) {
            let start = performance.now();
            button.click();
            output.scrollHeight; // lays the text out
            times.genera.push(performance.now() - start);
            const text = copy();
            start = performance.now();
            output.value = earlier;
            output.scrollHeight;
            times.set.push(performance.now() - start);
            earlier = text;
        }
        return times;
    }, kRuns);
    report(
        '"Genera" of 10,000 sentences',
        median(genera.genera),
        'setting the same text',
        median(genera.set),
    );

    // From navigation to a page whose "Genera" works, opened from a file.
    const bare = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'blaterix-bench-')), 'bare.html');
    fs.writeFileSync(bare, fs.readFileSync(pagePath, 'utf8').replace(/<script>[^]*<\/script>/, ''));
    const usable = [];
    const markup = [];
    for (let i = 0; i < kRuns; ++i) {
        await page.goto(pathToFileURL(pagePath).href);
        await page.waitForSelector('html[data-ready]', { state: 'attached' });
        usable.push(
            await page.evaluate(() => performance.getEntriesByName('blaterix-ready')[0].startTime),
        );
        await page.goto(pathToFileURL(bare).href);
        markup.push(
            await page.evaluate(
                () => performance.getEntriesByType('navigation')[0].domContentLoadedEventEnd,
            ),
        );
    }
    fs.rmSync(path.dirname(bare), { recursive: true });
    report(
        'navigation to a usable page',
        median(usable),
        'the same markup without its script',
        median(markup),
    );

    // 1,000,000 sentences in Chromium: the module itself, handing its chunks
    // to a function that takes them as they are, as blaterix-cli hands its
    // own to /dev/null; and blaterix.js's generate, one Uint8Array of them.
    const blank = await browser.context.newPage();
    const library = fs
        .readFileSync(path.join(root, 'web/blaterix.js'), 'utf8')
        .replace(/^export /gm, '');
    await blank.addScriptTag({ content: `${library}\nwindow.loadBlaterix = load;` });
    const wasm = fs
        .readFileSync(path.join(path.dirname(pagePath), '../wasm/blaterix.wasm'))
        .toString('base64');
    const module = await blank.evaluate(
        async ({ wasm, runs }) => {
            const bytes = Uint8Array.from(atob(wasm), (c) => c.charCodeAt(0));
            const { instance } = await WebAssembly.instantiate(bytes, {
                blaterix: { chunk: () => 1 },
            });
            const m = instance.exports;
            m._initialize();
            const blaterix = await window.loadBlaterix(bytes);
            const bare = [];
            const whole = [];
            for (let i = 0; i < runs; ++i) {
                m.blx_seed(43200);
                let start = performance.now();
                m.blx_generate(1000000, 0, 0, 0, 0, 5);
                bare.push(performance.now() - start);
                blaterix.seed(43200);
                start = performance.now();
                blaterix.generate(1000000);
                whole.push(performance.now() - start);
            }
            return { bare, whole };
        },
        { wasm, runs: kRuns },
    );
    const devNull = fs.openSync('/dev/null', 'w');
    const native = [];
    for (let i = 0; i < kRuns; ++i) {
        const start = process.hrtime.bigint();
        const run = spawnSync(cliPath, ['--seed', '43200', '1000000'], {
            stdio: ['ignore', devNull, 'inherit'],
        });
        native.push(Number(process.hrtime.bigint() - start) / 1e6);
        if (run.status !== 0) {
            throw new Error('blaterix-cli failed');
        }
    }
    fs.closeSync(devNull);
    report(
        '1,000,000 sentences in the module',
        median(module.bare),
        'native blaterix-cli to /dev/null',
        median(native),
    );
    report(
        '1,000,000 sentences from generate()',
        median(module.whole),
        'native blaterix-cli to /dev/null',
        median(native),
    );
    if (browser.refused.length > 0) {
        throw new Error(`network requests: ${browser.refused.join(' ')}`);
    }
} finally {
    await browser.close();
}
