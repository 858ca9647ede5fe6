// The page: the program's main window and its About window. The build
// (build.mjs) inlines this script with blaterix.js and the module, gzipped in
// base64 as kBlaterixWasmGz, into one classic script: a module script does
// not run from a file.
import { load, toWindows1252, timeOfDay } from './blaterix.js';

// The largest count that "Genera" produces: more would keep the text area
// busy for seconds, as in the program, where blaterix-cli writes any number.
const kMaxGenerated = 10000;
const kFileName = 'FrasiGenerate.txt';

const $ = (id) => document.getElementById(id);
const countBox = $('count');
const output = $('output');
const status = $('status');
const saveUtf8 = $('save-utf8');
const aboutDialog = $('about-dialog');

function say(message, warn = false) {
    status.textContent = message;
    status.classList.toggle('warn', warn);
}

function sentences(n) {
    return n === 1 ? '1 frase' : `${n.toLocaleString('it-IT')} frasi`;
}

async function moduleBytes() {
    const text = atob(kBlaterixWasmGz);
    const gzipped = new Uint8Array(text.length);
    for (let i = 0; i < text.length; ++i) {
        gzipped[i] = text.charCodeAt(i);
    }
    const stream = new Blob([gzipped]).stream().pipeThrough(new DecompressionStream('gzip'));
    return new Response(stream).arrayBuffer();
}

// The text of ?seed=S in the address, or null. A "+" stays a plus sign, as
// in 1e+5: the query is not a form's.
function seedParameter() {
    for (const part of location.search.slice(1).split('&')) {
        const [name, ...value] = part.split('=');
        if (name === 'seed') {
            try {
                return decodeURIComponent(value.join('='));
            } catch (e) {
                return value.join('=');
            }
        }
    }
    return null;
}

// Seeds once, as the program does at start: from ?seed=S, as blaterix-cli's
// --seed takes it, or else from the local time of day.
function seedOnce(blaterix) {
    const given = seedParameter();
    if (given !== null) {
        try {
            blaterix.seed(given);
            return;
        } catch (e) {
            say(`Seme «${given}» non valido: vale l'ora attuale.`, true);
        }
    }
    blaterix.seed(timeOfDay());
}

let generator = null; // once the module is ready
const ready = (async () => {
    const blaterix = await load(await moduleBytes());
    seedOnce(blaterix);
    generator = blaterix;
    document.documentElement.dataset.ready = 'true';
    performance.mark('blaterix-ready');
    return blaterix;
})();
ready.catch(() => say('Questo browser non esegue Blaterix: serve WebAssembly con SIMD.', true));

// Typing puts digits only into the count box; pasting puts any text, as in the program.
countBox.addEventListener('beforeinput', (event) => {
    const typed = event.inputType === 'insertText' || event.inputType === 'insertReplacementText';
    if (typed && /[^0-9]/.test(event.data || '')) {
        event.preventDefault();
    }
});

function generate(blaterix) {
    const count = blaterix.countOf(countBox.value);
    if (count > kMaxGenerated) {
        say(
            `Al massimo ${sentences(kMaxGenerated)} alla volta (chieste: ${count.toLocaleString('it-IT')}): il testo resta com'era.`,
            true,
        );
        return;
    }
    output.value = count > 0 ? blaterix.generateText(count, { eol: 'lf' }) : '';
    saveUtf8.hidden = true;
    say(count > 0 ? `${sentences(count)} generate.` : 'Nessuna frase: il testo è vuoto.');
}
$('generate').addEventListener('click', () =>
    generator ? generate(generator) : ready.then(generate),
);

function download(bytes) {
    const url = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
    const link = document.createElement('a');
    link.href = url;
    link.download = kFileName;
    link.hidden = true;
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(url), 60000);
}

// The text area's text with the program's line ends, CR LF; null when it holds only spaces.
function textToSave() {
    return /^ *$/.test(output.value) ? null : output.value.replace(/\n/g, '\r\n');
}

// Saves the text as the program does, in Windows-1252; never changes a
// character silently: what Windows-1252 cannot hold is named, and UTF-8 offered.
function save() {
    const text = textToSave();
    if (text === null) {
        say('Nessun testo da salvare.');
        return;
    }
    const { bytes, unmappable } = toWindows1252(text);
    if (unmappable.length > 0) {
        const shown = unmappable.slice(0, 8).map((c) => {
            const code = c.codePointAt(0).toString(16).toUpperCase().padStart(4, '0');
            return `«${c}» (U+${code})`;
        });
        const more = unmappable.length > 8 ? ` e altri ${unmappable.length - 8}` : '';
        say(
            `Windows-1252 non ha ${shown.join(', ')}${more}: il file non è stato salvato. Lo si può salvare in UTF-8.`,
            true,
        );
        saveUtf8.hidden = false;
        return;
    }
    download(bytes);
    saveUtf8.hidden = true;
    say(`Testo salvato in ${kFileName}.`);
}
$('save').addEventListener('click', save);

saveUtf8.addEventListener('click', () => {
    const text = textToSave();
    saveUtf8.hidden = true;
    $('save').focus();
    if (text === null) {
        say('Nessun testo da salvare.');
        return;
    }
    download(new TextEncoder().encode(text));
    say(`Testo salvato in ${kFileName}, in UTF-8.`);
});
output.addEventListener('input', () => {
    saveUtf8.hidden = true;
});

// Copies the text area's text: through the clipboard, or else (a browser
// without that interface, or one that refuses it for the moment) as Ctrl+C
// does, from a selection of the whole text; the focus and the selection that
// were there come back.
async function copyText() {
    try {
        await navigator.clipboard.writeText(output.value);
        return true;
    } catch (e) {
        const focus = document.activeElement;
        const [start, end] = [output.selectionStart, output.selectionEnd];
        output.focus();
        output.select();
        const copied = document.execCommand('copy');
        output.setSelectionRange(start, end);
        focus?.focus();
        return copied;
    }
}

$('copy').addEventListener('click', async () => {
    if (output.value === '') {
        say('Nessun testo da copiare.');
        return;
    }
    if (await copyText()) {
        say('Testo copiato negli appunti.');
    } else {
        say('Copia non riuscita: selezionare il testo e copiarlo da tastiera.', true);
    }
});

// About: a modal dialog; OK and Escape close it, and the focus goes back to "About".
$('about').addEventListener('click', () => {
    aboutDialog.showModal();
    $('about-ok').focus();
});
// The focus goes back at once, within the key or click that closes it: the
// dialog's own 'close' event comes later, as a task of its own, and could take
// the focus back from a control that the user has moved to since.
function closeAbout() {
    aboutDialog.close();
    $('about').focus();
}
$('about-ok').addEventListener('click', closeAbout);
aboutDialog.addEventListener('cancel', (event) => {
    event.preventDefault();
    closeAbout();
});
