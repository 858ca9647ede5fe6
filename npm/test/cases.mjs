// What the package's tests share: the installed package, blaterix-cli, and
// the cases in which the two must give the same bytes.
//   BLATERIX_NPM_TGZ  the packed package (default build/wasm/npm/blaterix-VERSION.tgz, the only one)
//   BLATERIX_CLI      the native blaterix-cli (default build/native/cli/blaterix-cli)
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

export const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
export const cliPath = process.env.BLATERIX_CLI || path.join(root, 'build/native/cli/blaterix-cli');

export function tarballPath() {
    if (process.env.BLATERIX_NPM_TGZ) {
        return process.env.BLATERIX_NPM_TGZ;
    }
    const dir = path.join(root, 'build/wasm/npm');
    const packed = fs.readdirSync(dir).filter((f) => /^blaterix-.*\.tgz$/.test(f));
    assert.equal(packed.length, 1, `one tarball in ${dir}: ${packed}`);
    return path.join(dir, packed[0]);
}

// Installs the tarball into a fresh project folder as a user's project gets
// it, with no network; returns the folder. The caller removes it.
export function installPackage() {
    const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'blaterix-npm-'));
    fs.writeFileSync(
        path.join(dir, 'package.json'),
        '{ "name": "blaterix-user", "private": true, "type": "module" }\n',
    );
    execFileSync(
        'npm',
        ['install', '--offline', '--no-audit', '--no-fund', '--ignore-scripts', tarballPath()],
        {
            cwd: dir,
            stdio: ['ignore', 'ignore', 'inherit'],
            env: { ...process.env, npm_config_update_notifier: 'false' },
        },
    );
    return dir;
}

export function cli(args) {
    const run = spawnSync(cliPath, args, { maxBuffer: 1 << 30 });
    assert.equal(run.status, 0, `blaterix-cli ${args.join(' ')}: ${run.stderr}`);
    return run.stdout;
}

// The command line that asks blaterix-cli for what sentences(count, options)
// gives: its defaults when writing into a pipe are the program's bytes, so
// encoding and eol are always named, UTF-8 and LF unless options say otherwise.
export function cliArgs(seed, count, options = {}) {
    const args = [
        '--seed',
        String(seed),
        `--encoding=${options.encoding ?? 'utf-8'}`,
        `--eol=${options.eol ?? 'lf'}`,
    ];
    for (const name of ['layout', 'format']) {
        if (options[name] !== undefined) {
            args.push(`--${name}=${options[name]}`);
        }
    }
    if (options.sentencesPerParagraph !== undefined) {
        args.push(`--sentences-per-paragraph=${options.sentencesPerParagraph}`);
    }
    return [...args, String(count)];
}

// What the package gives, as the bytes that blaterix-cli writes: strings in UTF-8.
export function bytesOf(result) {
    return typeof result === 'string' ? Buffer.from(result, 'utf8') : Buffer.from(result);
}

// Seeds as --seed takes them, and as numbers: the last string rounds once to
// 1 + 2^-23, where a detour through a double would give 1.
export const kSeeds = [
    '0',
    '43200',
    '-0',
    '86399.999',
    '0.1',
    '1.000000059604644775390625000001',
    12345.678,
    -1,
    1e-45,
];

export const kStyles = [
    {},
    { layout: 'lines' },
    { layout: 'paragraphs', sentencesPerParagraph: 3 },
    { layout: 'PARAGRAPHS', eol: 'crlf' },
    { encoding: 'cp1252', eol: 'crlf' },
    { encoding: 'windows-1252', layout: 'lines' },
    { format: 'html', eol: 'crlf' },
    { format: 'html', layout: 'paragraphs', sentencesPerParagraph: 2, encoding: 'UTF8' },
    { format: 'json' },
    { format: 'Json', layout: 'lines', eol: 'crlf' },
];
