// blaterix: the sentences of the Blaterix program, seeded and exact.

/** What `createGenerator` takes. */
export interface GeneratorOptions {
    /**
     * Where the sentences start: a time of day in seconds (43200 is noon),
     * kept as a 32-bit float. A number is rounded to the nearest 32-bit float;
     * a string is read as `blaterix-cli --seed` reads it (a decimal number,
     * rounded once). Without it, the local time of day, as the program does.
     */
    seed?: number | string;
}

/** What `sentences` takes; any letter case, as `blaterix-cli`'s options of the same names. */
export interface SentenceOptions {
    /** `'blocks'` (default): three spaces, the sentence, a space, an empty line; `'lines'`; `'paragraphs'`. */
    layout?: 'blocks' | 'lines' | 'paragraphs';
    /** `'text'` (default); `'html'`: one `<p>` a sentence or paragraph; `'json'`: JSON Lines, one object a sentence. */
    format?: 'text' | 'html' | 'json';
    /** `'utf-8'` (default): a string; `'cp1252'`: the program's bytes, a `Uint8Array` (text only). */
    encoding?: 'utf-8' | 'utf8' | 'cp1252' | 'windows-1252';
    /** `'lf'` (default) or `'crlf'`. */
    eol?: 'lf' | 'crlf';
    /** Sentences in a paragraph, a whole number from 1 (default 5); only with layout `'paragraphs'`. */
    sentencesPerParagraph?: number;
}

/** One sentence and the row (1 to 10) drawn in each of the seven columns. */
export interface SentenceRows {
    text: string;
    rows: [number, number, number, number, number, number, number];
}

/** A generator with a state of its own: its sentences follow each other from call to call. */
export interface Generator {
    /** The seed, as the 32-bit float that the generator started from. */
    readonly seed: number;

    /**
     * The next `count` sentences (a whole number from 0 to 2,147,483,647), as
     * `blaterix-cli` writes them with the same seed and options: a string, or
     * the bytes for `encoding: 'cp1252'`. Throws a `TypeError` or a
     * `RangeError` for what `blaterix-cli` refuses, and a `RangeError` for a
     * text longer than a string can hold (536,870,888 characters).
     */
    sentences(
        count: number,
        options: SentenceOptions & { encoding: 'cp1252' | 'windows-1252' },
    ): Uint8Array;
    sentences(count: number, options?: SentenceOptions & { encoding?: 'utf-8' | 'utf8' }): string;
    sentences(count: number, options?: SentenceOptions): string | Uint8Array;

    /** The next `count` sentences with their rows, as `blaterix-cli --format=json` gives them. */
    rows(count: number): SentenceRows[];
}

/** A new generator. */
export function createGenerator(options?: GeneratorOptions): Generator;

/**
 * The count that the program's count box gives for a text (a string, or
 * Windows-1252 bytes): `'2.5'` gives 2, `'3.5'` 4, `'&H10'` 16, `'9e9'`
 * 410065408; no number gives 0. A signed 32-bit whole number.
 */
export function countOf(text: string | Uint8Array): number;
