// Debian's Chromium through playwright-core, for the page's tests, its
// benchmark and its screenshots: a fresh profile, nothing downloaded, and
// every network request refused and counted.
import { chromium } from 'playwright-core';

import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

export const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
export const pagePath =
    process.env.BLATERIX_PAGE || path.join(root, 'build/wasm/web/blaterix.html');
export const cliPath = process.env.BLATERIX_CLI || path.join(root, 'build/native/cli/blaterix-cli');
const chromiumPath = process.env.BLATERIX_CHROMIUM || '/usr/bin/chromium';

// What a page may load: itself, and what it makes in memory.
const local = /^(file|data|blob|about):/;

// Starts Chromium; resolves to { context, refused, close }, where refused
// lists every request that left the machine's memory (there must be none).
export async function startBrowser(options = {}) {
    const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'blaterix-chromium-'));
    const args = [
        '--headless',
        '--disable-gpu',
        '--disable-background-networking',
        '--disable-component-update',
        '--no-first-run',
        '--disable-sync',
    ];
    if (process.getuid && process.getuid() === 0) {
        args.push('--no-sandbox');
    }
    const context = await chromium.launchPersistentContext(profile, {
        executablePath: chromiumPath,
        headless: true,
        args,
        acceptDownloads: true,
        viewport: { width: 1100, height: 700 },
        ...options,
    });
    const refused = [];
    context.on('request', (request) => {
        if (!local.test(request.url())) {
            refused.push(request.url());
        }
    });
    await context.route('**/*', (route) =>
        local.test(route.request().url()) ? route.continue() : route.abort('blockedbyclient'),
    );
    await context.grantPermissions(['clipboard-read', 'clipboard-write']);
    return {
        context,
        refused,
        async close() {
            await context.close();
            fs.rmSync(profile, { recursive: true, force: true });
        },
    };
}

// The page's address, with a query such as '?seed=0'.
export function pageUrl(query = '') {
    return pathToFileURL(pagePath).href + query;
}

// Opens the page in a new tab and waits until it is ready; page errors are collected in errors.
export async function openPage(context, query = '', errors = []) {
    const page = await context.newPage();
    page.on('pageerror', (error) => errors.push(error.message));
    await page.goto(pageUrl(query));
    await page.waitForSelector('html[data-ready]', { state: 'attached', timeout: 15000 });
    return page;
}
