// Makes the npm package blaterix: stages its files in OUT/package, with the
// module's bytes embedded and the project's version, and packs them with
// npm pack into OUT/blaterix-VERSION.tgz.
//   node npm/build.mjs BLATERIX_WASM OUT VERSION
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const [wasmPath, out, version] = process.argv.slice(2);
if (!version) {
    console.error('usage: node npm/build.mjs BLATERIX_WASM OUT VERSION');
    process.exit(2);
}
const here = path.dirname(fileURLToPath(import.meta.url));
const stage = path.join(out, 'package');
fs.rmSync(stage, { recursive: true, force: true });
fs.mkdirSync(stage, { recursive: true });
for (const old of fs.readdirSync(out).filter((f) => /^blaterix-.*\.tgz$/.test(f))) {
    fs.rmSync(path.join(out, old)); // one tarball, of this version
}

const manifest = JSON.parse(fs.readFileSync(path.join(here, 'package.json'), 'utf8'));
const { name, ...rest } = manifest;
fs.writeFileSync(
    path.join(stage, 'package.json'),
    `${JSON.stringify({ name, version, ...rest }, null, 2)}\n`,
);
for (const file of ['index.js', 'index.d.ts', 'README.md']) {
    fs.copyFileSync(path.join(here, file), path.join(stage, file));
}
fs.copyFileSync(path.join(here, '../web/blaterix.js'), path.join(stage, 'blaterix.js'));
fs.copyFileSync(path.join(here, '../LICENSE'), path.join(stage, 'LICENSE'));

const base64 = fs.readFileSync(wasmPath).toString('base64');
fs.writeFileSync(
    path.join(stage, 'blaterix-wasm.js'),
    `// The Blaterix WebAssembly module (blaterix.wasm), in base64: made by the
// package's build, not by hand.
const kBase64 =
    '${base64}';

// The module's bytes.
export function wasmBytes() {
    const text = atob(kBase64);
    const bytes = new Uint8Array(text.length);
    for (let i = 0; i < text.length; ++i) {
        bytes[i] = text.charCodeAt(i);
    }
    return bytes;
}
`,
);

// npm pack gives every entry the same time and mode, so the tarball depends
// on the files' contents alone.
const packed = JSON.parse(
    execFileSync(
        'npm',
        ['pack', '--json', '--offline', '--ignore-scripts', '--pack-destination', out, stage],
        {
            encoding: 'utf8',
            env: { ...process.env, npm_config_update_notifier: 'false', npm_config_fund: 'false' },
        },
    ),
);
console.log(
    `${path.join(out, packed[0].filename)}: ${packed[0].size} bytes, ${packed[0].entryCount} files`,
);
