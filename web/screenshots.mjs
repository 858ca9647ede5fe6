// Remakes the README's pictures of the page: docs/page-desktop.png (after
// "Genera"), docs/page-about.png (the About window over it) and
// docs/page-phone.png (320 px wide, after "Genera").
//   node web/screenshots.mjs     (after cmake --build --preset wasm)
import { startBrowser, openPage, root } from './test/browser.mjs';

import path from 'node:path';

const browser = await startBrowser({ deviceScaleFactor: 1 });
try {
    const desktop = await openPage(browser.context, '?seed=43200');
    await desktop.setViewportSize({ width: 1000, height: 640 });
    await desktop.click('#generate');
    await desktop.screenshot({ path: path.join(root, 'docs/page-desktop.png') });
    await desktop.click('#about');
    await desktop.screenshot({ path: path.join(root, 'docs/page-about.png') });

    const phone = await openPage(browser.context, '?seed=43200');
    await phone.setViewportSize({ width: 320, height: 640 });
    await phone.click('#generate');
    await phone.screenshot({ path: path.join(root, 'docs/page-phone.png') });
    if (browser.refused.length > 0) {
        throw new Error(`network requests: ${browser.refused.join(' ')}`);
    }
} finally {
    await browser.close();
}
console.log('docs/page-desktop.png docs/page-about.png docs/page-phone.png');
