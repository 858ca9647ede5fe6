// The page (dist/blaterix.html, built as build/wasm/web/blaterix.html) in
// Debian's Chromium, opened from a file, with every network request refused:
// its sentences and files against blaterix-cli's, the count box, the About
// window, the keyboard, accessibility and the phone width.
//   BLATERIX_PAGE  the page (default build/wasm/web/blaterix.html)
//   BLATERIX_CLI   the native blaterix-cli (default build/native/cli/blaterix-cli)
import { startBrowser, openPage, cliPath, pagePath } from './browser.mjs';

import AxeBuilder from '@axe-core/playwright';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import { after, before, describe, test } from 'node:test';

function cli(...args) {
    const run = spawnSync(cliPath, args, { maxBuffer: 1 << 28 });
    assert.equal(run.status, 0, `blaterix-cli ${args.join(' ')}: ${run.stderr}`);
    return run.stdout;
}
// What the text area shows: UTF-8, LF.
const cliText = (seed, count) => cli('--utf8', '--seed', seed, String(count)).toString('utf8');
// What "Salva" writes: the program's bytes, Windows-1252 and CR LF.
const cliBytes = (seed, count) => cli('--seed', seed, String(count));

const kAboutTexts = [
    '   Il "politico-burocratico-sindacalese" corrente, con abuso dei vari "in questo contesto; nella misura in cui; eccetera" ha suggerito al prof. Vacuini dell\'università di Pisa il progetto di una tabella per uso e consumo del bla, bla, bla.',
    '   Essa permette di costruire ben sette milioni di frasi che dicono tutto e niente.',
    "   Basterà combinare a caso uno dei dieci soggetti della prima colonna facendolo seguire da uno dei dieci predicati della seconda, quindi nell'ordine un periodo qualsiasi  di ognuna delle colonne successive.",
    '   Si otterrà sempre una frase di senso compiuto ma assolutamente priva di contenuti.',
    '   Questo programma permette di generare automaticamente tali frasi usando questo schema.',
];

let browser;
const errors = [];
before(async () => {
    browser = await startBrowser();
});
after(async () => {
    await browser?.close();
});

const open = (query = '') => openPage(browser.context, query, errors);

// Puts text into the count box as a paste does (the clipboard, Ctrl+V).
async function paste(page, text) {
    await page.evaluate((t) => navigator.clipboard.writeText(t), text);
    await page.focus('#count');
    await page.keyboard.press('Control+A');
    if (text === '') {
        await page.keyboard.press('Delete');
    } else {
        await page.keyboard.press('Control+V');
    }
    assert.equal(await page.inputValue('#count'), text);
}

// The file that an action downloads: its name and bytes.
async function download(page, action) {
    const [file] = await Promise.all([page.waitForEvent('download', { timeout: 10000 }), action()]);
    return { name: file.suggestedFilename(), bytes: fs.readFileSync(await file.path()) };
}

async function statusShows(page, pattern) {
    try {
        await page.waitForFunction(
            (source) => new RegExp(source).test(document.getElementById('status').textContent),
            pattern.source,
            { timeout: 10000 },
        );
    } catch (error) {
        const [status, focus] = await page.evaluate(() => [
            document.getElementById('status').textContent,
            document.activeElement.id,
        ]);
        throw new Error(`the status shows "${status}", not ${pattern} (focus on "${focus}")`);
    }
}

const focused = (page) => page.evaluate(() => document.activeElement.id);

describe('Genera and Salva give what blaterix-cli gives', () => {
    test('the text and the file for several seeds and counts, and the next text', async () => {
        const seeds = [
            ['0', 1],
            ['43200', 10],
            ['-0', 37],
            ['12345.678', 2],
            ['1e-45', 999],
            ['86399.999', 999],
            ['+1.5e+4', 3],
        ];
        for (const [seed, count] of seeds) {
            const page = await open(`?lang=it&seed=${seed}`); // a plus sign stays one
            await paste(page, String(count));
            await page.click('#generate');
            const first = await page.inputValue('#output');
            assert.equal(first, cliText(seed, count), `seed ${seed}, ${count}`);
            const saved = await download(page, () => page.click('#save'));
            assert.equal(saved.name, 'FrasiGenerate.txt');
            assert.ok(saved.bytes.equals(cliBytes(seed, count)), `seed ${seed}, ${count}, saved`);
            await statusShows(page, /FrasiGenerate\.txt/);
            await page.click('#generate');
            const second = await page.inputValue('#output');
            assert.notEqual(second, first);
            assert.equal(first + second, cliText(seed, 2 * count), `seed ${seed}, twice ${count}`);
            await page.close();
        }
    });

    test('the count box reads pasted texts as the program does', async () => {
        // The text pasted and the sentences it gives; null: more than 10,000,
        // the text stays and a message says so.
        const cases = {
            10: 10,
            0: 0,
            '-5': 0,
            2.5: 2,
            3.5: 4,
            '&H1': 1,
            '1e4': 10000,
            '9e9': null,
            '1e5': null,
            abc: 0,
            '': 0,
        };
        const page = await open('?seed=7');
        for (const [text, count] of Object.entries(cases)) {
            await page.goto(page.url());
            await page.waitForSelector('html[data-ready]', { state: 'attached' });
            await page.fill('#output', 'il testo di prima');
            await paste(page, text);
            await page.click('#generate');
            if (count === null) {
                await statusShows(page, /10\.000/);
                assert.equal(await page.inputValue('#output'), 'il testo di prima', text);
                assert.ok(await page.locator('#status.warn').isVisible());
            } else {
                await statusShows(page, count > 0 ? /generat/ : /vuoto/);
                assert.equal(
                    await page.inputValue('#output'),
                    count > 0 ? cliText('7', count) : '',
                    text,
                );
            }
        }
        await page.close();
    });

    test('typing puts only digits into the count box, three at most', async () => {
        const page = await open();
        await page.focus('#count');
        await page.keyboard.press('Control+A');
        await page.keyboard.type('x');
        assert.equal(await page.inputValue('#count'), '10');
        await page.keyboard.press('Control+A');
        await page.keyboard.press('Backspace');
        await page.keyboard.type('a5-b.e7&');
        assert.equal(await page.inputValue('#count'), '57');
        await page.keyboard.type('1234');
        assert.equal(await page.inputValue('#count'), '571');
        await page.close();
    });

    test('an edited text is saved byte for byte, in Windows-1252 with CR LF', async () => {
        const page = await open('?seed=0');
        await paste(page, '2');
        await page.click('#generate');
        await page.focus('#output');
        await page.keyboard.press('Control+End');
        await page.keyboard.type('Perché no? € 5 «così»\n  fine ');
        const saved = await download(page, () => page.click('#save'));
        // The typed part in Windows-1252: é 0xE9, € 0x80, « 0xAB, ì 0xEC, » 0xBB.
        const typed = Buffer.from('Perch\xe9 no? \x80 5 \xabcos\xec\xbb\r\n  fine ', 'latin1');
        assert.ok(saved.bytes.equals(Buffer.concat([cliBytes('0', 2), typed])));
        await page.close();
    });

    test('a character that Windows-1252 lacks is named, and the text offered in UTF-8', async () => {
        const page = await open('?seed=0');
        let downloads = 0;
        page.on('download', () => ++downloads);
        await page.fill('#output', 'Ω e ✓\nsì 😀 ✓');
        await page.click('#save');
        await statusShows(page, /U\+03A9.*U\+2713.*U\+1F600/);
        assert.equal(downloads, 0);
        assert.ok(await page.locator('#status.warn').isVisible());
        assert.ok(await page.locator('#save-utf8').isVisible());
        const saved = await download(page, () => page.click('#save-utf8'));
        assert.equal(saved.name, 'FrasiGenerate.txt');
        assert.ok(saved.bytes.equals(Buffer.from('Ω e ✓\r\nsì 😀 ✓', 'utf8')));
        assert.ok(await page.locator('#save-utf8').isHidden());
        await page.close();
    });

    test('nothing to save or copy: a message, no file', async () => {
        const page = await open();
        let downloads = 0;
        page.on('download', () => ++downloads);
        await page.fill('#output', '   ');
        await page.click('#save');
        await statusShows(page, /Nessun testo da salvare/);
        await page.fill('#output', '');
        await page.click('#copy');
        await statusShows(page, /Nessun testo da copiare/);
        assert.equal(downloads, 0);
        await page.close();
    });

    test('Copia puts the text on the clipboard, also where the clipboard interface fails', async () => {
        const page = await open('?seed=3');
        await page.click('#generate');
        await page.click('#copy');
        await statusShows(page, /copiato/);
        const clipboard = () => page.evaluate(() => navigator.clipboard.readText());
        assert.equal(await clipboard(), cliText('3', 10));

        await page.evaluate(() => navigator.clipboard.writeText('altro'));
        await page.fill('#output', 'prima riga\nseconda');
        await page.evaluate(() => {
            const output = document.getElementById('output');
            output.setSelectionRange(2, 5);
            navigator.clipboard.writeText = () => Promise.reject(new Error('not now'));
        });
        await page.focus('#copy');
        await page.keyboard.press('Enter');
        await statusShows(page, /copiato/);
        assert.equal(await clipboard(), 'prima riga\nseconda');
        assert.equal(await focused(page), 'copy');
        const selection = await page.evaluate(() => {
            const output = document.getElementById('output');
            return [output.selectionStart, output.selectionEnd];
        });
        assert.deepEqual(selection, [2, 5]);
        await page.close();
    });

    test('a seed that is not a number is said, and the clock seeds', async () => {
        const page = await open('?seed=abc');
        await statusShows(page, /«abc» non valido/);
        await page.click('#generate');
        await statusShows(page, /10 frasi generate/);
        assert.equal((await page.inputValue('#output')).match(/^ {3}\S/gm).length, 10);
        await page.close();
    });
});

describe('About', () => {
    test('opens over the page with its texts; OK and Escape close it, the focus goes back', async () => {
        const page = await open();
        for (const close of ['OK', 'Escape', 'OK']) {
            await page.click('#about');
            const dialog = page.locator('#about-dialog');
            assert.ok(await dialog.isVisible());
            assert.equal(await page.locator('#about-title').textContent(), 'About Blaterix .....');
            assert.deepEqual(await page.locator('.about-text').allTextContents(), kAboutTexts);
            assert.equal(await page.locator('.credit').textContent(), '© Blaterix');
            assert.equal(await focused(page), 'about-ok');
            // Modal: the page under it takes no pointer.
            const box = await page.locator('#generate').boundingBox();
            const hit = await page.evaluate(
                ([x, y]) => document.elementFromPoint(x, y).id,
                [box.x + 5, box.y + 5],
            );
            assert.equal(hit, 'about-dialog');
            if (close === 'OK') {
                await page.click('#about-ok');
            } else {
                await page.keyboard.press('Escape');
            }
            await dialog.waitFor({ state: 'hidden', timeout: 5000 });
            assert.equal(await focused(page), 'about');
        }
        await page.close();
    });
});

describe('the keyboard', () => {
    test("the program's order, a visible focus, and the whole flow without a mouse", async () => {
        const page = await open('?seed=0');
        const order = ['about', 'count', 'generate', 'save', 'copy', 'output'];
        for (const id of order) {
            await page.keyboard.press('Tab');
            assert.equal(await focused(page), id);
            const outline = await page.evaluate(() => {
                const style = getComputedStyle(document.activeElement);
                return { style: style.outlineStyle, width: parseFloat(style.outlineWidth) };
            });
            assert.ok(outline.style !== 'none' && outline.width >= 2, `${id} shows its focus`);
        }
        for (const id of order.slice(0, -1).reverse()) {
            await page.keyboard.press('Shift+Tab');
            assert.equal(await focused(page), id);
        }

        await page.keyboard.press('Enter');
        assert.equal(await focused(page), 'about-ok');
        await page.keyboard.press('Enter');
        await page.locator('#about-dialog').waitFor({ state: 'hidden', timeout: 5000 });
        assert.equal(await focused(page), 'about');
        await page.keyboard.press('Space');
        await page.keyboard.press('Escape');
        await page.locator('#about-dialog').waitFor({ state: 'hidden', timeout: 5000 });
        assert.equal(await focused(page), 'about');

        await page.keyboard.press('Tab');
        await page.keyboard.type('3'); // the box's text is selected as the focus comes in
        assert.equal(await page.inputValue('#count'), '3');
        await page.keyboard.press('Tab');
        await page.keyboard.press('Enter');
        await statusShows(page, /3 frasi generate/);
        assert.equal(await page.inputValue('#output'), cliText('0', 3));
        await page.keyboard.press('Tab');
        const saved = await download(page, () => page.keyboard.press('Enter'));
        assert.ok(saved.bytes.equals(cliBytes('0', 3)));
        await page.keyboard.press('Tab');
        assert.equal(await focused(page), 'copy');
        await page.keyboard.press('Space');
        await statusShows(page, /copiato/);
        await page.keyboard.press('Tab');
        assert.equal(await focused(page), 'output');
        await page.close();
    });
});

describe('accessibility and size', () => {
    const wcag = ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa'];
    async function noViolations(page, what) {
        const { violations } = await new AxeBuilder({ page }).withTags(wcag).analyze();
        const found = violations.map((v) => `${v.id}: ${v.nodes.map((n) => n.target).join(' ')}`);
        assert.deepEqual(found, [], what);
    }

    test('axe finds no WCAG 2.1 A or AA violation, light and dark, page and About', async () => {
        const page = await open('?seed=0');
        for (const colorScheme of ['light', 'dark']) {
            await page.emulateMedia({ colorScheme });
            await paste(page, '9e9');
            await page.click('#generate');
            await statusShows(page, /10\.000/); // the warning's colour too
            await noViolations(page, `${colorScheme}: the page with a warning`);
            await page.fill('#output', '✓');
            await page.click('#save');
            await page.locator('#save-utf8').waitFor({ timeout: 5000 });
            await noViolations(page, `${colorScheme}: the page offering UTF-8`);
            await page.click('#about');
            await noViolations(page, `${colorScheme}: the About window`);
            await page.keyboard.press('Escape');
        }
        await page.close();
    });

    test('every target is at least 24 px, and the text area fills the window as it changes', async () => {
        const page = await open('?seed=0');
        for (const [width, height] of [
            [1100, 700],
            [800, 500],
            [320, 568],
        ]) {
            await page.setViewportSize({ width, height });
            await page.click('#generate');
            const boxes = await page.evaluate(() =>
                [
                    ...document.querySelectorAll(
                        'main button:not([hidden]), main input, main textarea',
                    ),
                ].map((e) => {
                    const r = e.getBoundingClientRect();
                    return {
                        id: e.id,
                        left: r.left,
                        right: r.right,
                        width: r.width,
                        height: r.height,
                        bottom: r.bottom,
                    };
                }),
            );
            for (const box of boxes) {
                assert.ok(
                    box.width >= 24 && box.height >= 24,
                    `${box.id} at ${width} px: ${box.width} x ${box.height}`,
                );
                assert.ok(box.left >= 0 && box.right <= width, `${box.id} within ${width} px`);
            }
            const output = boxes.find((b) => b.id === 'output');
            assert.ok(
                output.bottom <= height && output.bottom >= height - 24,
                `the text area reaches the bottom at ${width} x ${height}`,
            );
            assert.ok(output.height >= 128, `the text area keeps room at ${width} x ${height}`);
            assert.ok(
                (await page.evaluate(() => document.documentElement.scrollWidth)) <= width,
                `no sideways scrolling at ${width} px`,
            );
        }
        await noViolations(page, 'the page at 320 px');
        await page.click('#about');
        const ok = await page.locator('#about-ok').boundingBox();
        const dialog = await page.locator('#about-dialog').boundingBox();
        assert.ok(ok.width >= 24 && ok.height >= 24, 'OK at 320 px');
        assert.ok(
            dialog.x >= 0 && dialog.x + dialog.width <= 320,
            'the About window within 320 px',
        );
        await page.close();
    });
});

test('the page is one file of at most 80 KiB', () => {
    assert.ok(fs.statSync(pagePath).size <= 80 * 1024, `${fs.statSync(pagePath).size} bytes`);
});

test('the page made no network request and raised no error', () => {
    assert.deepEqual(browser.refused, []);
    assert.deepEqual(errors, []);
});
