// The package blaterix against its JavaScript peers, in one node process:
// the same work for each, 100,000 sentences to one string, and the same
// sentences as 10,000 strings of 10, the way placeholder text is mostly
// asked for. Prints sentences and characters per second (the median of a
// few rounds) and each one's ratio to the fastest peer.
//   node npm/bench/bench.mjs [PACKAGE_DIR]   (default build/wasm/npm/package)
// A benchmark, not a test: it fails nothing.
import { faker } from '@faker-js/faker';
import { LoremIpsum } from 'lorem-ipsum';

import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const packageDir = path.resolve(process.argv[2] || path.join(root, 'build/wasm/npm/package'));
const { createGenerator } = await import(pathToFileURL(path.join(packageDir, 'index.js')).href);

const kSentences = 100000;
const kRounds = 15;

// Each contender makes n sentences, one a line where it can, as one string.
const contenders = [
    {
        name: '@faker-js/faker lorem.sentence()',
        peer: true,
        setup: () => faker.seed(1),
        make(n) {
            const sentences = new Array(n);
            for (let i = 0; i < n; ++i) {
                sentences[i] = faker.lorem.sentence();
            }
            return sentences.join('\n');
        },
    },
    {
        name: 'lorem-ipsum generateSentences',
        peer: true,
        setup() {
            this.lorem = new LoremIpsum();
        },
        make(n) {
            return this.lorem.generateSentences(n);
        },
    },
    {
        name: 'blaterix sentences (lines)',
        setup() {
            this.generator = createGenerator({ seed: 0 });
        },
        make(n) {
            return this.generator.sentences(n, { layout: 'lines' });
        },
    },
];

const kWorks = [
    {
        name: `${kSentences.toLocaleString('en-US')} sentences to one string`,
        calls: 1,
        each: kSentences,
    },
    {
        name: `${kSentences.toLocaleString('en-US')} sentences as ${(kSentences / 10).toLocaleString('en-US')} strings of 10`,
        calls: kSentences / 10,
        each: 10,
    },
];

function run(contender, work) {
    let length = 0;
    for (let i = 0; i < work.calls; ++i) {
        length += contender.make(work.each).length;
    }
    return length;
}

function median(values) {
    const sorted = [...values].sort((a, b) => a - b);
    return sorted[sorted.length >> 1];
}

// Rounds go round the contenders in turn, so that a busy machine slows each
// of them alike; every contender warms up first. Each run is a task of its
// own, as one call in a program that does other things is: nothing that a
// package keeps until its task ends carries over to the next run.
const nextTask = () => new Promise((resolve) => setImmediate(resolve));
const format = (n) => Math.round(n).toLocaleString('en-US');
console.log(`node ${process.version}, median of ${kRounds} rounds`);
for (const work of kWorks) {
    contenders.forEach((contender) => contender.setup());
    const lengths = contenders.map((contender) => run(contender, work));
    const times = contenders.map(() => []);
    for (let round = 0; round < kRounds; ++round) {
        for (const [i, contender] of contenders.entries()) {
            await nextTask();
            const start = process.hrtime.bigint();
            run(contender, work);
            times[i].push(Number(process.hrtime.bigint() - start) / 1e9);
        }
    }
    const results = contenders.map((contender, i) => {
        const seconds = median(times[i]);
        return {
            ...contender,
            seconds,
            perSecond: kSentences / seconds,
            chars: lengths[i] / seconds,
            length: lengths[i],
        };
    });
    const fastestPeer = Math.max(...results.filter((r) => r.peer).map((r) => r.perSecond));
    console.log(`\n${work.name}`);
    console.log(
        `${'contender'.padEnd(36)}${'ms'.padStart(8)}${'sentences/s'.padStart(14)}${'characters/s'.padStart(16)}${'chars/sentence'.padStart(16)}  vs fastest peer`,
    );
    for (const r of results) {
        console.log(
            r.name.padEnd(36) +
                (r.seconds * 1000).toFixed(1).padStart(8) +
                format(r.perSecond).padStart(14) +
                format(r.chars).padStart(16) +
                (r.length / kSentences).toFixed(1).padStart(16) +
                `  ${(r.perSecond / fastestPeer).toFixed(2)} x`,
        );
    }
}
