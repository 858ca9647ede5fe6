// A TypeScript user of the package: it must type-check as it stands.
import { countOf, createGenerator, type Generator, type SentenceRows } from 'blaterix';

const g: Generator = createGenerator({ seed: 0 });
createGenerator({ seed: '43200' });
createGenerator();
const seed: number = g.seed;
const text: string = g.sentences(3);
const lines: string = g.sentences(3, { layout: 'lines', eol: 'crlf', encoding: 'utf-8' });
const html: string = g.sentences(3, {
    format: 'html',
    layout: 'paragraphs',
    sentencesPerParagraph: 2,
});
const bytes: Uint8Array = g.sentences(3, { encoding: 'cp1252', eol: 'crlf' });
const either: string | Uint8Array = g.sentences(3, {
    encoding: Math.random() < 0.5 ? 'cp1252' : 'utf-8',
});
const rows: SentenceRows[] = g.rows(2);
const firstRow: number = rows[0].rows[6];
const count: number = countOf('3.5') + countOf(new Uint8Array([0x35]));

// @ts-expect-error a string is not bytes
const notBytes: Uint8Array = g.sentences(1);
// @ts-expect-error bytes are not a string
const notText: string = g.sentences(1, { encoding: 'cp1252' });
// @ts-expect-error no such layout
g.sentences(1, { layout: 'columns' });
// @ts-expect-error no such option
g.sentences(1, { perParagraph: 2 });
// @ts-expect-error the seed is read-only
g.seed = 1;

export { bytes, count, either, firstRow, html, lines, notBytes, notText, seed, text };
