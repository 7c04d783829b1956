// The page's one module: runs the four programs, compiled to WebAssembly (fit.wasm),
// on files held in memory, and drives the form of index.html. Nothing leaves the
// computer: the files go from the form into the module and back to a download.
// Node imports the same module for the tests (without a document, the form part
// stays asleep).

const WASI_ERRNO_BADF = 8;
const WASI_ERRNO_SPIPE = 70;
const encoder = new TextEncoder();
const decoder = new TextDecoder();

// The program's run: its files in memory, its output streams collected as they come.
export class Fit {
    static async load(source = new URL('fit.wasm', import.meta.url)) {
        const bytes = source instanceof Uint8Array || source instanceof ArrayBuffer
            ? source
            : await (await fetch(source)).arrayBuffer();
        return new Fit(await WebAssembly.compile(bytes));
    }

    constructor(module) {
        this.module = module;
        this.instance = null;
    }

    // A trap (memory ran out, a fault) leaves the instance unusable: the next run
    // starts a fresh one.
    start() {
        const streams = {1: [], 2: []};
        this.streams = streams;
        const view = () => new DataView(this.instance.exports.memory.buffer);
        const wasi = {
            fd_write: (fd, iovs, count, written) => {
                const v = view();
                let total = 0;
                for (let i = 0; i < count; i++) {
                    const at = v.getUint32(iovs + 8 * i, true);
                    const length = v.getUint32(iovs + 8 * i + 4, true);
                    if (this.streams[fd] === undefined) return WASI_ERRNO_BADF;
                    this.streams[fd].push(new Uint8Array(v.buffer, at, length).slice());
                    total += length;
                }
                v.setUint32(written, total, true);
                return 0;
            },
            fd_fdstat_get: (fd, stat) => {
                if (fd > 2) return WASI_ERRNO_BADF;
                new Uint8Array(view().buffer, stat, 24).fill(0);
                return 0;
            },
            fd_seek: () => WASI_ERRNO_SPIPE,
            // fitinfo closes its standard output when done; the next run needs it again.
            fd_close: () => 0,
        };
        this.instance = new WebAssembly.Instance(this.module, {wasi_snapshot_preview1: wasi});
        this.instance.exports._initialize();
    }

    // Runs argv (argv[0]: "codefit", "datafit", "picfit" or "fitinfo") with the files
    // {name: Uint8Array}; returns the exit status, standard output and error as text
    // and the files named in `wanted` that the run left, under their names.
    run(argv, files = {}, wanted = []) {
        if (this.instance === null) this.start();
        const e = this.instance.exports;
        this.streams[1] = [];
        this.streams[2] = [];
        const put = (bytes) => {
            const at = e.fit_alloc(bytes.length + 1);
            const memory = new Uint8Array(e.memory.buffer);
            memory.set(bytes, at);
            memory[at + bytes.length] = 0;
            return at;
        };
        const owned = [];
        // A C string; UTF-8 takes at most three bytes for each UTF-16 unit.
        const string = (text) => {
            const at = e.fit_alloc(3 * text.length + 1);
            const memory = new Uint8Array(e.memory.buffer, at, 3 * text.length + 1);
            memory[encoder.encodeInto(text, memory).written] = 0;
            owned.push(at);
            return at;
        };
        let status;
        const out = {};
        try {
            e.fit_clear_files();
            for (const [name, bytes] of Object.entries(files)) {
                const data = put(bytes);
                e.fit_put_file(string(name), data, bytes.length);
                e.fit_free(data);
            }
            const pointers = argv.map(string);
            const table = e.fit_alloc(4 * pointers.length + 4);
            owned.push(table);
            const v = new DataView(e.memory.buffer);
            pointers.forEach((p, i) => v.setUint32(table + 4 * i, p, true));
            v.setUint32(table + 4 * pointers.length, 0, true);
            status = e.fit_run(pointers.length, table);
            for (const name of wanted) {
                const key = string(name);
                const size = e.fit_file_size(key);
                if (size >= 0) {
                    const at = e.fit_file_data(key);
                    out[name] = new Uint8Array(e.memory.buffer, at, size).slice();
                }
            }
            for (const p of owned) e.fit_free(p);
            e.fit_clear_files();
        } catch (error) {
            this.instance = null;
            return {status: -1, stdout: join(this.streams[1]), stderr: join(this.streams[2]) +
                    `the module stopped: ${error.message}\n`, files: out};
        }
        return {status, stdout: join(this.streams[1]), stderr: join(this.streams[2]), files: out};
    }
}

function join(chunks) {
    if (chunks.length === 1) return decoder.decode(chunks[0]);
    const all = new Uint8Array(chunks.reduce((n, c) => n + c.length, 0));
    let at = 0;
    for (const c of chunks) {
        all.set(c, at);
        at += c.length;
    }
    return decoder.decode(all);
}

// The PCX pictures picfit reads (8 bits a pixel, one plane, run-length coded, the
// palette at the end) decoded for the source's view: {width, height, rgba}.
export function decodePcx(file) {
    if (file.length < 128 || file[0] !== 0x0a || file[2] !== 1 || file[3] !== 8 || file[65] !== 1)
        return null;
    const word = (at) => file[at] | file[at + 1] << 8;
    const width = word(8) - word(4) + 1;
    const height = word(10) - word(6) + 1;
    const line = word(66);
    if (width <= 0 || height <= 0 || line < width) return null;
    const hasPalette = file.length >= 128 + 769 && file[file.length - 769] === 0x0c;
    const palette = hasPalette ? file.subarray(file.length - 768) : null;
    const rgba = new Uint8ClampedArray(width * height * 4);
    let at = 128;
    for (let y = 0; y < height; y++) {
        for (let x = 0; x < line;) {
            if (at >= file.length) return {width, height, rgba};
            let count = 1;
            let value = file[at++];
            if ((value & 0xc0) === 0xc0) {
                count = value & 0x3f;
                value = file[at++];
            }
            for (; count > 0 && x < line; count--, x++) {
                if (x >= width) continue;
                const o = 4 * (y * width + x);
                // Without a palette, the index as the machine reads it: bits 0-2 are
                // red, green and blue.
                rgba[o] = palette ? palette[3 * value] : (value & 1) * 255;
                rgba[o + 1] = palette ? palette[3 * value + 1] : (value >> 1 & 1) * 255;
                rgba[o + 2] = palette ? palette[3 * value + 2] : (value >> 2 & 1) * 255;
                rgba[o + 3] = 255;
            }
        }
    }
    return {width, height, rgba};
}

// What each program's target is called by default, after the source's name.
const kExtensions = {
    codefit: {EXE: '.exe', DOS: '.obj', ROM: '.rom', K7: '.k7', BAS: '.bas'},
    datafit: {DOS: '.dsk', K7: '.k7', TASM: '.asm'},
};
const kPictures = /\.(pcx|png|gif|bmp)$/i;

function stem(name) {
    const dot = name.lastIndexOf('.');
    return dot > 0 ? name.slice(0, dot) : name;
}

// fitinfo's JSON document, or null when standard output holds none.
function parseReport(stdout) {
    try {
        const report = JSON.parse(stdout);
        return Array.isArray(report?.files) ? report : null;
    } catch {
        return null;
    }
}

// The summary of every valid file, as fitinfo prints it without --json; faults and
// problems stay on standard error, shown after it.
function reportText(report) {
    return report.files.filter((f) => f.summary)
        .map((f) => `${f.name}: ${f.kind}\n${f.summary.map((line) => `  ${line}\n`).join('')}`).join('');
}

// Sixteen bytes a line around `offset`, the byte there marked (data-offset tells it).
function showBytes(dump, bytes, offset) {
    const hex = (n, width) => n.toString(16).toUpperCase().padStart(width, '0');
    const first = Math.max(0, (offset >> 4) - 2) << 4;
    const last = Math.min(bytes.length, ((offset >> 4) + 3) << 4);
    dump.textContent = '';
    for (let line = first; line < last; line += 16) {
        dump.append(`${hex(line, 6)} `);
        for (let at = line; at < Math.min(line + 16, last); at++) {
            dump.append(' ');
            if (at === offset) {
                const mark = document.createElement('mark');
                mark.dataset.offset = String(at);
                mark.textContent = hex(bytes[at], 2);
                dump.append(mark);
            } else {
                dump.append(hex(bytes[at], 2));
            }
        }
        dump.append('\n');
    }
}

class Page {
    constructor(fit) {
        this.fit = fit;
        this.source = null;  // {name, bytes}
        this.$ = (id) => document.getElementById(id);
        this.downloadUrl = null;
        this.bind();
        this.showProgram();
    }

    bind() {
        const form = this.$('form');
        this.$('file').addEventListener('change', async (e) => {
            if (e.target.files.length) await this.choose(e.target.files[0]);
        });
        const drop = this.$('drop');
        drop.addEventListener('dragover', (e) => {
            e.preventDefault();
            drop.classList.add('over');
        });
        drop.addEventListener('dragleave', () => drop.classList.remove('over'));
        drop.addEventListener('drop', async (e) => {
            e.preventDefault();
            drop.classList.remove('over');
            if (e.dataTransfer.files.length) await this.choose(e.dataTransfer.files[0]);
        });
        this.$('program').addEventListener('change', () => {
            this.$('target').value = '';
            this.showProgram();
        });
        form.addEventListener('submit', (e) => {
            e.preventDefault();
            this.convert();
        });
        // Every change is checked by the program's own parser at once; a picture is
        // redone at once too, so that its view follows the settings.
        for (const field of this.$('options').querySelectorAll('[data-long], #extract')) {
            field.addEventListener('input', () => {
                this.check();
                if (this.program() === 'picfit' && this.source) this.convert();
            });
        }
    }

    program() { return this.$('program').value; }

    fields() {
        return [...document.querySelectorAll(`[data-program="${this.program()}"] [data-long]`)];
    }

    showProgram() {
        for (const part of document.querySelectorAll('[data-program]'))
            part.hidden = part.dataset.program !== this.program();
        this.check();
    }

    async choose(file) {
        this.source = {name: file.name.replace(/^.*[\\/]/, '') || 'source', bytes: new Uint8Array(await file.arrayBuffer())};
        this.$('source-name').textContent = `${this.source.name}, ${this.source.bytes.length} bytes`;
        if (kPictures.test(this.source.name)) this.$('program').value = 'picfit';
        this.$('target').value = '';
        this.$('convert').disabled = false;
        this.showProgram();
    }

    // The options as the long options of the command line; a field left at its
    // default passes nothing, as on the command line.
    options() {
        const args = [];
        for (const field of this.fields()) {
            const name = field.dataset.long;
            if (field.type === 'checkbox') {
                if (field.checked) args.push(`--${name}`);
            } else if (field.value !== '' && field.value !== field.dataset.default) {
                args.push(`--${name}=${field.value}`);
            }
        }
        return args;
    }

    targetName() {
        const typed = this.$('target').value.trim();
        if (typed) return typed;
        const base = stem(this.source ? this.source.name : 'file');
        const program = this.program();
        if (program === 'picfit') return `${base}.tav`;
        if (program === 'fitinfo') return `${base}${/\.tav$/i.test(this.source?.name ?? '') ? '.png' : '.bin'}`;
        const type = this.fields().find((f) => f.dataset.long === 'type');
        return base + kExtensions[program][type.value];
    }

    argv() {
        const program = this.program();
        const source = this.source ? this.source.name : 'source';
        if (program === 'fitinfo') {
            // The report is read from fitinfo's JSON; an extraction has none to give.
            const extract = this.$('extract').checked ? [`--extract=${this.targetName()}`] : ['--json'];
            return [program, ...extract, ...this.options(), source];
        }
        return [program, ...this.options(), source, this.targetName()];
    }

    // Runs the parser on the options alone (the files it names are not there) and
    // shows each refusal beside its field.
    check() {
        const program = this.program();
        const result = this.fit.run([program, ...this.options(), 'none/source', 'none/target']);
        const refusals = {};
        for (const line of result.stderr.split('\n')) {
            const m = line.match(/^\w+: --([a-z-]+)[=:]/);
            if (m) refusals[m[1]] = (refusals[m[1]] ? refusals[m[1]] + '\n' : '') + line;
        }
        for (const span of document.querySelectorAll(`[data-program="${program}"] .refusal`))
            span.textContent = refusals[span.dataset.for] ?? '';
        // An option the program does not know yet has no field of its own to go to.
        const known = new Set([...document.querySelectorAll(`[data-program="${program}"] .refusal`)]
            .map((s) => s.dataset.for));
        return Object.keys(refusals).filter((k) => !known.has(k)).length === 0;
    }

    convert() {
        if (!this.source) return;
        const argv = this.argv();
        const target = this.program() === 'fitinfo' && !this.$('extract').checked ? null : this.targetName();
        const started = performance.now();
        const result = this.fit.run(argv, {[this.source.name]: this.source.bytes}, target ? [target] : []);
        let took = performance.now() - started;
        this.$('command').textContent = argv.join(' ');
        this.showMessages(result);
        const output = target ? result.files[target] : undefined;
        const link = this.$('download');
        if (this.downloadUrl) URL.revokeObjectURL(this.downloadUrl);
        this.downloadUrl = null;
        link.hidden = !output;
        if (output) {
            this.downloadUrl = URL.createObjectURL(new Blob([output], {type: 'application/octet-stream'}));
            link.href = this.downloadUrl;
            link.download = target;
            link.textContent = `Download ${target} (${output.length} bytes)`;
        }
        let preview = null;
        if (output && this.program() === 'picfit') {
            const shown = this.fit.run(['fitinfo', '--extract=preview.png', target], {[target]: output},
                                       ['preview.png']);
            preview = shown.files['preview.png'] ?? null;
        } else if (output && /\.png$/i.test(target)) {
            preview = output;
        }
        this.showPictures(preview, started).then((total) => {
            took = total ?? took;
            this.$('status').textContent =
                `exit status ${result.status} · ${took.toFixed(1)} ms${total ? ' with the view drawn' : ''}`;
            document.body.dataset.converted = String(Number(document.body.dataset.converted ?? 0) + 1);
        });
    }

    // Standard output, then standard error in its own colour; a fault fitinfo finds is
    // shown at its offset in the bytes of the file.
    showMessages(result) {
        const messages = this.$('messages');
        const report = this.program() === 'fitinfo' ? parseReport(result.stdout) : null;
        messages.textContent = report ? reportText(report) : result.stdout;
        const errors = document.createElement('span');
        errors.className = 'stderr';
        errors.textContent = result.stderr;
        messages.append(errors);
        const dump = this.$('hexdump');
        const fault = report?.files.find((f) => f.fault)?.fault;
        dump.hidden = !fault;
        if (fault) showBytes(dump, this.source.bytes, fault.offset);
    }

    // The source and the machine's view side by side; resolves to the time since
    // `started` once both are drawn, or null when there is no picture.
    async showPictures(png, started) {
        const box = this.$('pictures');
        box.hidden = !png;
        if (!png) return null;
        const source = this.program() === 'picfit' ? decodePcx(this.source.bytes) : null;
        const sourceCanvas = this.$('source-view');
        sourceCanvas.parentElement.hidden = !source;
        if (source) {
            sourceCanvas.width = source.width;
            sourceCanvas.height = source.height;
            sourceCanvas.getContext('2d').putImageData(new ImageData(source.rgba, source.width, source.height), 0, 0);
        }
        const image = await createImageBitmap(new Blob([png], {type: 'image/png'}),
                                              {colorSpaceConversion: 'none', premultiplyAlpha: 'none'});
        const canvas = this.$('machine-view');
        canvas.width = image.width;
        canvas.height = image.height;
        canvas.getContext('2d').drawImage(image, 0, 0);
        return performance.now() - started;
    }
}

if (typeof document !== 'undefined') {
    const start = async () => {
        const page = new Page(await Fit.load());
        window.fitPage = page;
        document.body.dataset.ready = 'true';
    };
    if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', start);
    else start();
}
