// The page's one module: runs the four programs, compiled to WebAssembly (fit.wasm),
// on files held in memory, and drives the form of index.html. Nothing leaves the
// computer: the files go from the form into the module and back to a download.
// Node imports the same module for the tests (without a document, the form part
// stays asleep).

const WASI_ERRNO_BADF = 8;
const WASI_ERRNO_SPIPE = 70;

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
        const encoder = new TextEncoder();
        const put = (bytes) => {
            const at = e.fit_alloc(bytes.length + 1);
            const memory = new Uint8Array(e.memory.buffer);
            memory.set(bytes, at);
            memory[at + bytes.length] = 0;
            return at;
        };
        const owned = [];
        const string = (text) => {
            const at = put(encoder.encode(text));
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
    const all = new Uint8Array(chunks.reduce((n, c) => n + c.length, 0));
    let at = 0;
    for (const c of chunks) {
        all.set(c, at);
        at += c.length;
    }
    return new TextDecoder().decode(all);
}
