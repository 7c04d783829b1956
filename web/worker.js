// The four programs, compiled to WebAssembly (fit.wasm), run on files held in memory.
// The page runs them here, in a Web Worker, so that a long run never holds the page
// up: the page can always cancel it by ending the worker. Node imports the same file
// for the tests (outside a worker, the message loop at the end stays asleep).

const WASI_ERRNO_BADF = 8;
const WASI_ERRNO_SPIPE = 70;
// After a run that grew the module's memory beyond this, the instance is dropped so
// that the memory goes back to the browser: memory.grow never shrinks.
const kKeepMemory = 256 << 20;
// The largest PCX picture drawn for the page, in pixels.
const kViewPixels = 64 << 20;
const encoder = new TextEncoder();
const decoder = new TextDecoder();

// The program's run: its files in memory, its output streams collected as they come.
export class Fit {
    static async load(source) {
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
        const owned = [];
        // Every block the page takes is checked: a null pointer would have the
        // program read or write over the module's own data at address 0.
        const alloc = (size, what) => {
            const at = e.fit_alloc(size);
            if (at === 0) throw new Error(`no memory left in the module for ${what} (${size} bytes)`);
            owned.push(at);
            return at;
        };
        // A C string; UTF-8 takes at most three bytes for each UTF-16 unit.
        const string = (text) => {
            const at = alloc(3 * text.length + 1, 'a name');
            const memory = new Uint8Array(e.memory.buffer, at, 3 * text.length + 1);
            memory[encoder.encodeInto(text, memory).written] = 0;
            return at;
        };
        let status;
        const out = {};
        try {
            e.fit_clear_files();
            for (const [name, bytes] of Object.entries(files)) {
                const data = alloc(bytes.length + 1, name);
                new Uint8Array(e.memory.buffer).set(bytes, data);
                if (e.fit_put_file(string(name), data, bytes.length) !== 0)
                    throw new Error(`the module did not take ${name}`);
                // The module keeps a copy: the source's block goes back at once.
                owned.splice(owned.indexOf(data), 1);
                e.fit_free(data);
            }
            const pointers = argv.map(string);
            const table = alloc(4 * pointers.length + 4, 'the command line');
            const v = new DataView(e.memory.buffer);
            pointers.forEach((p, i) => v.setUint32(table + 4 * i, p, true));
            v.setUint32(table + 4 * pointers.length, 0, true);
            status = e.fit_run(pointers.length, table);
            for (const name of wanted) {
                const key = string(name);
                const size = e.fit_file_size(key);
                const at = size >= 0 ? e.fit_file_data(key) : 0;
                if (size >= 0 && at === 0 && size > 0) throw new Error(`the module lost ${name}`);
                if (size >= 0) out[name] = new Uint8Array(e.memory.buffer, at, size).slice();
            }
            for (const p of owned) e.fit_free(p);
            e.fit_clear_files();
            if (e.memory.buffer.byteLength > kKeepMemory) this.instance = null;
        } catch (error) {
            this.instance = null;
            return {status: -1, stdout: join(this.streams[1]), stderr: join(this.streams[2]) +
                    `the module stopped: ${error.message}\n`, files: out, stopped: true};
        }
        return {status, stdout: join(this.streams[1]), stderr: join(this.streams[2]), files: out};
    }

    // What the programs accept, from their own tables: {codefit: {choices, targets}, ...}
    // (see fit_choices), so that the page lists exactly what the programs take.
    choices() {
        if (this.instance === null) this.start();
        const e = this.instance.exports;
        const at = e.fit_choices();
        const memory = new Uint8Array(e.memory.buffer);
        let end = at;
        while (memory[end] !== 0) end++;
        return JSON.parse(decoder.decode(memory.subarray(at, end)));
    }

    // A picfit run and, when it wrote its target, the machine's view of it as fitinfo
    // draws it (a PNG), in `preview`.
    picture(argv, files, target) {
        const result = this.run(argv, files, [target]);
        const tav = result.files[target];
        if (tav) {
            const shown = this.run(['fitinfo', '--extract=preview.png', '--', target],
                                   {[target]: tav}, ['preview.png']);
            result.preview = shown.files['preview.png'] ?? null;
        }
        return result;
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
function decodePcx(file) {
    if (file.length < 128 || file[0] !== 0x0a || file[2] !== 1 || file[3] !== 8 || file[65] !== 1)
        return null;
    const word = (at) => file[at] | file[at + 1] << 8;
    const width = word(8) - word(4) + 1;
    const height = word(10) - word(6) + 1;
    const line = word(66);
    // Beyond this the view is not worth the memory (a header may claim 65535 × 65535).
    if (width <= 0 || height <= 0 || line < width || width * height > kViewPixels) return null;
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

// The source's view for the page, from a worker, so that the page's thread neither
// decodes nor scales: {width, height, pcx, bitmap} (the bitmap at most `max` pixels on
// its longer side), or {} when the browser cannot draw it.
async function view(file, max) {
    try {
        const head = new Uint8Array(await file.slice(0, 1).arrayBuffer());
        const pcx = head[0] === 0x0a ? decodePcx(new Uint8Array(await file.arrayBuffer())) : null;
        const image = pcx ? await createImageBitmap(new ImageData(pcx.rgba, pcx.width, pcx.height))
            : await createImageBitmap(file);
        const {width, height} = image;
        const scale = Math.min(1, max / Math.max(width, height));
        if (scale === 1) return {width, height, pcx: Boolean(pcx), bitmap: image};
        const bitmap = await createImageBitmap(image, {
            resizeWidth: Math.max(1, Math.round(width * scale)), resizeHeight: Math.max(1, Math.round(height * scale)),
            resizeQuality: 'medium'});
        image.close();
        return {width, height, pcx: Boolean(pcx), bitmap};
    } catch {
        return {};
    }
}

// In a worker: the page sends the module's bytes once ({wasm}; null for a worker that
// only draws), answered with {ready, choices}, then jobs ({id, job: 'run' | 'picture' | 'view', args}); each is
// answered with {id, result}.
if (typeof WorkerGlobalScope !== 'undefined' && globalThis instanceof WorkerGlobalScope) {
    let fit = null;
    // One message at a time, in order, even while one waits for a file to be read.
    let queue = Promise.resolve();
    // A job that fails outside the module (a file that can no longer be read) is
    // answered too, never left waiting.
    globalThis.onmessage = ({data}) => {
        queue = queue.then(() => answer(data)).catch((error) => globalThis.postMessage({id: data.id, result:
            {status: -1, stdout: '', stderr: `${error.message ?? error}\n`, files: {}, stopped: true}}));
    };
    const answer = async (data) => {
        if ('wasm' in data) {
            try {
                if (data.wasm) fit = new Fit(await WebAssembly.compile(data.wasm));
                globalThis.postMessage({ready: true, choices: fit ? fit.choices() : null});
            } catch (error) {
                globalThis.postMessage({ready: false, error: String(error.message ?? error)});
            }
            return;
        }
        if (data.job === 'view') {
            const result = await view(...data.args);
            globalThis.postMessage({id: data.id, result}, result.bitmap ? [result.bitmap] : []);
            return;
        }
        // The files come as the browser gave them to the page (Blobs), read here.
        const files = data.args[1] ?? {};
        for (const [name, file] of Object.entries(files))
            if (file instanceof Blob) files[name] = new Uint8Array(await file.arrayBuffer());
        const result = data.job === 'picture' ? fit.picture(...data.args) : fit.run(...data.args);
        const transfer = [...Object.values(result.files), result.preview].filter(Boolean).map((b) => b.buffer);
        globalThis.postMessage({id: data.id, result}, transfer);
    };
}
