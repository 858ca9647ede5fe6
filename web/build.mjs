// Builds the page as one self-contained file: page.html with page.css, and one
// classic script made of blaterix.js, page.js and the module (gzipped, in
// base64). The same inputs give the same bytes.
//   node web/build.mjs BLATERIX.WASM OUT.HTML
import crypto from 'node:crypto';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import zlib from 'node:zlib';

const here = path.dirname(fileURLToPath(import.meta.url));
const [wasmPath, outPath] = process.argv.slice(2);
if (!wasmPath || !outPath) {
    console.error('usage: node web/build.mjs BLATERIX.WASM OUT.HTML');
    process.exit(2);
}
const read = (name) => fs.readFileSync(path.join(here, name), 'utf8');

// blaterix.js without its exports, page.js without its import: the names
// meet in one function scope.
const library = read('blaterix.js').replace(/^export /gm, '');
const page = read('page.js').replace(/^import .* from '\.\/blaterix\.js';\n/m, '');
for (const [name, code] of [
    ['blaterix.js', library],
    ['page.js', page],
]) {
    if (/^(import|export)\b/m.test(code) || /<\/script/i.test(code)) {
        throw new Error(`${name}: cannot be inlined as a classic script`);
    }
}
const gzipped = zlib.gzipSync(fs.readFileSync(wasmPath), { level: 9 });
const script = `(() => {
'use strict';
const kBlaterixWasmGz = '${gzipped.toString('base64')}';
${library}
${page}
})();
`;
const style = read('page.css');

const hash = (text) => `'sha256-${crypto.createHash('sha256').update(text).digest('base64')}'`;
const fill = {
    '{{SCRIPT}}': script,
    '{{STYLE}}': style,
    '{{SCRIPT_HASH}}': hash(script),
    '{{STYLE_HASH}}': hash(style),
};
const html = read('page.html').replace(/\{\{[A-Z_]+\}\}/g, (key) => {
    if (!(key in fill)) {
        throw new Error(`page.html: unknown ${key}`);
    }
    return fill[key];
});
fs.mkdirSync(path.dirname(outPath), { recursive: true });
fs.writeFileSync(outPath, html);
