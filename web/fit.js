// The page: drives the form of index.html and runs the four programs in a Web Worker
// (worker.js, with the module fit.wasm), so that the page answers while a program
// runs. Nothing leaves the computer: the files go from the form into the module and
// back to a download.

// The single file (fit-offline.html) puts the worker's source and the module (base64)
// here when it is made; the served page fetches them beside itself.
const kEmbedded = null;

// Option changes come in bursts (typing, a slider of clicks): a run starts once they
// pause this long.
const kDebounceMs = 150;
// The longer side of the source's view at most, in pixels.
const kSourceViewMax = 1280;
// A run that has taken longer than this is ended by a newer one, not waited for.
const kLetFinishMs = 50;
// A run longer than this shows its progress and a Cancel button.
const kProgressAfterMs = 250;

async function moduleBytes() {
    if (kEmbedded) return Uint8Array.from(atob(kEmbedded.wasm), (c) => c.charCodeAt(0));
    const response = await fetch(new URL('fit.wasm', import.meta.url));
    if (!response.ok) throw new Error(`fit.wasm: ${response.status} ${response.statusText}`);
    return new Uint8Array(await response.arrayBuffer());
}

let workerUrl = null;
function newWorker() {
    if (!kEmbedded) return new Worker(new URL('worker.js', import.meta.url), {type: 'module'});
    // A classic worker: a page opened from the disk has no origin, and Chromium
    // starts no module worker for it, even from a blob: URL.
    workerUrl ??= URL.createObjectURL(new Blob([kEmbedded.worker], {type: 'text/javascript'}));
    return new Worker(workerUrl);
}

// One worker and its queue of jobs, answered in order. cancel() ends the worker with
// whatever it runs and starts a fresh one, as does a worker that dies.
class Runner {
    constructor(wasm) {
        this.wasm = wasm;
        this.pending = new Map();
        this.next = 0;
        this.start();
    }

    start() {
        this.worker = newWorker();
        this.ready = new Promise((resolve, reject) => {
            this.worker.onmessage = ({data}) => {
                if (data.ready) resolve(data.choices);
                else reject(new Error(data.error));
                this.worker.onmessage = ({data: answer}) => this.answer(answer);
            };
        });
        this.ready.catch(() => {});
        let started = false;
        this.ready.then(() => { started = true; }, () => {});
        // A worker that dies once running is replaced; one that cannot start at all
        // is not retried (it would fail again, for ever).
        this.worker.onerror = (event) => {
            event.preventDefault();
            const why = `the module stopped: ${event.message || 'the worker failed'}`;
            if (started) this.restart(why);
            else this.worker.onmessage({data: {ready: false, error: why}});
        };
        this.worker.postMessage({wasm: this.wasm});
    }

    get busy() { return this.pending.size > 0; }

    // How long the oldest job still to answer has waited, in ms (0 when none).
    get age() {
        const oldest = Math.min(...[...this.pending.values()].map((job) => job.since));
        return this.pending.size ? performance.now() - oldest : 0;
    }

    answer({id, result}) {
        const job = this.pending.get(id);
        this.pending.delete(id);
        job?.resolve(result);
    }

    // Resolves to the job's result, or to {cancelled: true} once cancelled.
    run(job, ...args) {
        const id = ++this.next;
        return new Promise((resolve) => {
            this.pending.set(id, {resolve, since: performance.now()});
            this.ready.then(() => this.worker.postMessage({id, job, args}),
                            (error) => this.answer({id, result: failed(error.message)}));
        });
    }

    restart(why) {
        this.worker.terminate();
        const jobs = [...this.pending.values()];
        this.pending.clear();
        this.start();
        for (const job of jobs) job.resolve(why ? failed(why) : {cancelled: true});
    }

    cancel() { if (this.busy) this.restart(null); }
}

function failed(message) {
    return {status: -1, stdout: '', stderr: `${message}\n`, files: {}, stopped: true};
}

function option(value, text, title = '') {
    const o = new Option(text, value);
    o.title = title;
    return o;
}
const kPictures = /\.(pcx|png|gif|bmp|jpe?g)$/i;

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

// Sixteen bytes a line of the file (a Blob) around `offset`, the byte there marked
// (data-offset tells it); only those bytes are read.
async function showBytes(dump, file, offset) {
    const hex = (n, width) => n.toString(16).toUpperCase().padStart(width, '0');
    const first = Math.max(0, (offset >> 4) - 2) << 4;
    const last = Math.min(file.size, ((offset >> 4) + 3) << 4);
    const part = new Uint8Array(await file.slice(first, last).arrayBuffer());
        dump.textContent = '';
    for (let line = first; line < last; line += 16) {
        dump.append(`${hex(line, 6)} `);
        for (let at = line; at < Math.min(line + 16, last); at++) {
            dump.append(' ');
            if (at === offset) {
                const mark = document.createElement('mark');
                mark.dataset.offset = String(at);
                mark.textContent = hex(part[at - first], 2);
                dump.append(mark);
            } else {
                dump.append(hex(part[at - first], 2));
            }
        }
        dump.append('\n');
    }
}

// Whether the bytes start as a picture the browser (or the worker, for PCX) can draw.
function looksLikePicture(bytes) {
    const starts = (...sig) => sig.every((b, i) => bytes[i] === b);
    return starts(0x89, 0x50, 0x4e, 0x47) || starts(0x47, 0x49, 0x46) || starts(0x42, 0x4d) ||
        starts(0xff, 0xd8, 0xff) || (bytes[0] === 0x0a && bytes[2] === 1);
}

// The source as the browser draws it, decoded and scaled in a worker of its own:
// {width, height, pcx, view: {width, height}, draw(context)}, or null.
async function sourcePicture(viewer, file) {
    viewer.cancel();
    const got = await viewer.run('view', file, kSourceViewMax);
    if (!got?.bitmap) return null;
    const {bitmap} = got;
    return {width: got.width, height: got.height, pcx: got.pcx, view: {width: bitmap.width, height: bitmap.height},
            draw: (ctx) => ctx.drawImage(bitmap, 0, 0)};
}

function suits(size, mode) {
    return size.width <= mode.width && size.height <= mode.height && size.width % mode.step === 0;
}

async function drawPng(canvas, png) {
    const image = await createImageBitmap(new Blob([png], {type: 'image/png'}),
                                          {colorSpaceConversion: 'none', premultiplyAlpha: 'none'});
    canvas.width = image.width;
    canvas.height = image.height;
    canvas.getContext('2d').drawImage(image, 0, 0);
}

class Page {
    constructor(wasm) {
        this.runner = new Runner(wasm);   // conversions and the strip
        this.checker = new Runner(wasm);  // the options' parser, never behind a conversion
        this.viewer = new Runner(null);   // the source's view: decoded and scaled off the page's thread
        this.source = null;  // {name, bytes, picture}
        this.$ = (id) => document.getElementById(id);
        this.downloadUrl = null;
        this.generation = 0;
        this.checks = 0;
        this.stripKey = null;
        this.timers = {};
        this.extensions = {};  // what each target is called, after the source's name
        this.dithers = [];
        this.modes = {};  // the machine's screen in each mode (see offer)
        this.bind();
        this.showProgram();
    }

    // Runs fn once calls to it pause for kDebounceMs.
    later(name, fn) {
        clearTimeout(this.timers[name]);
        this.timers[name] = setTimeout(() => {
            delete this.timers[name];
            fn();
        }, kDebounceMs);
    }

    bind() {
        const form = this.$('form');
        this.$('file').addEventListener('change', async (e) => {
            const [file] = e.target.files;
            // Emptied, so that choosing the same file again (changed since) reads it again.
            e.target.value = '';
            if (file) await this.choose(file);
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
            clearTimeout(this.timers.convert);
            this.convert();
        });
        this.$('cancel').addEventListener('click', () => this.cancel());
        // Every change is checked by the program's own parser; a picture is redone
        // too, so that its views follow the settings.
        for (const field of this.$('options').querySelectorAll('[data-long], #extract')) {
            field.addEventListener('input', () => {
                document.body.dataset.checking = 'true';
                this.later('check', () => this.check());
                if (this.program() === 'picfit' && this.source) this.later('convert', () => this.convert());
            });
        }
        this.$('strip').addEventListener('click', (e) => {
            const choice = e.target.closest('[data-dither]');
            if (!choice) return;
            this.dither().value = choice.dataset.dither;
            this.check();
            this.convert();
        });
    }

    // The programs' own lists, from the module's tables (see Fit.choices): the targets
    // of codefit and datafit with their extensions and load addresses (also among the
    // files the picker offers, as fitinfo reads them), the cassette loaders, the ways of
    // dithering and the screen of each picture mode. A new row there is a new choice here.
    offer(choices) {
        const picker = this.$('file');
        const accepted = new Set(picker.accept.split(','));
        for (const program of ['codefit', 'datafit']) {
            const targets = choices[program].targets;
            for (const t of targets) accepted.add(`.${t.extension}`);
            this.extensions[program] = Object.fromEntries(targets.map((t) => [t.name, `.${t.extension}`]));
            const type = document.querySelector(`[data-program="${program}"] [data-long="type"]`);
            type.replaceChildren(...targets.map((t) => option(t.name, t.name, t.help)));
            type.dataset.default = targets[0].name;
        }
        const [first, ...others] = choices.codefit.targets;
        const own = others.filter((t) => t.load !== first.load).map((t) => `${t.name} ${t.load}`);
        document.querySelector('[data-program="codefit"] [data-long="load"]').placeholder =
            own.length ? `${first.load} (${own.join(', ')})` : first.load;
        picker.accept = [...accepted].join(',');
        document.querySelector('[data-program="codefit"] [data-long="loader"]')
            .replaceChildren(option('', 'none'), ...choices.codefit.choices.loader.map((n) => option(n, n)));
        this.modes = choices.picfit.modes;
        this.dithers = choices.picfit.choices.dither;
        this.dither().replaceChildren(option('', 'the program\'s choice'), ...this.dithers.map((d) => option(d, d)));
        const strip = this.$('strip');
        for (const old of strip.querySelectorAll('[data-dither]')) old.remove();
        for (const way of this.dithers) {
            const button = document.createElement('button');
            button.type = 'button';
            button.dataset.dither = way;
            const name = document.createElement('span');
            name.textContent = way;
            button.append(document.createElement('canvas'), name);
            strip.append(button);
        }
        this.check();
    }

    program() { return this.$('program').value; }

    dither() { return document.querySelector('[data-program="picfit"] [data-long="dither"]'); }

    fields() {
        return [...document.querySelectorAll(`[data-program="${this.program()}"] [data-long]`)];
    }

    showProgram() {
        for (const part of document.querySelectorAll('[data-program]'))
            part.hidden = part.dataset.program !== this.program();
        this.check();
    }

    // The file is kept as the browser gives it (a Blob): the workers read it, each on
    // its own thread; the page's thread never copies a big file.
    async choose(file) {
        const head = new Uint8Array(await file.slice(0, 16).arrayBuffer());
        const name = file.name.replace(/^.*[\\/]/, '') || 'source';
        this.source = {name, file, picture: null};
        this.$('source-name').textContent = `${name}, ${file.size} bytes`;
        const picture = kPictures.test(name) || looksLikePicture(head);
        if (picture) this.$('program').value = 'picfit';
        this.$('target').value = '';
        this.$('convert').disabled = false;
        this.stripKey = null;
        this.showStrip(false);
        this.showMachineView(null);
        this.showProgram();
        if (!picture) {
            this.$('pictures').hidden = true;
            this.chosen();
            return;
        }
        // The source is drawn at once, whatever the conversion gives; a picture the
        // machine's screen cannot take as it is gets --fit.
        const source = this.source;
        source.picture = await sourcePicture(this.viewer, file);
        if (this.source !== source) return;
        this.showSource(source.picture);
        const fit = document.querySelector('[data-program="picfit"] [data-long="fit"]');
        if (source.picture && !source.picture.pcx) {
            const two = document.querySelector('[data-program="picfit"] [data-long="two-colour"]').checked;
            fit.checked = !suits(source.picture, two ? this.modes.two : this.modes.colour);
        }
        this.check();
        if (this.program() === 'picfit') this.later('convert', () => this.convert());
        this.chosen();
    }

    // Counts the files taken in, for tests outside the page.
    chosen() { document.body.dataset.chosen = String(Number(document.body.dataset.chosen ?? 0) + 1); }

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
        return base + this.extensions[program][type.value];
    }

    // The command line; the file names come after "--", so that no name, however it
    // starts, is taken for an option.
    argv() {
        const program = this.program();
        const source = this.source ? this.source.name : 'source';
        if (program === 'fitinfo') {
            // The report is read from fitinfo's JSON; an extraction has none to give.
            const extract = this.$('extract').checked ? [`--extract=${this.targetName()}`] : ['--json'];
            return [program, ...extract, ...this.options(), '--', source];
        }
        return [program, ...this.options(), '--', source, this.targetName()];
    }

    // Runs the parser on the options alone (the files it names are not there) and
    // shows each refusal beside its field.
    async check() {
        const program = this.program();
        const run = ++this.checks;
        const result = await this.checker.run('run', [program, ...this.options(), '--', 'none/source', 'none/target']);
        if (run !== this.checks || result.cancelled) return;
        const refusals = {};
        for (const line of result.stderr.split('\n')) {
            const m = line.match(/^\w+: --([a-z-]+)[=:]/);
            if (m) refusals[m[1]] = (refusals[m[1]] ? refusals[m[1]] + '\n' : '') + line;
        }
        for (const span of document.querySelectorAll(`[data-program="${program}"] .refusal`))
            span.textContent = refusals[span.dataset.for] ?? '';
        document.body.dataset.checked = String(run);
        // For tests outside the page: whether a check is still to come.
        document.body.dataset.checking = String(this.timers.check !== undefined);
    }

    // Shows, from kProgressAfterMs on, how long the run has taken, with Cancel.
    progress(what, started) {
        clearInterval(this.timers.progress);
        const box = this.$('progress');
        box.hidden = true;
        if (!what) return;
        this.timers.progress = setInterval(() => {
            const ms = performance.now() - started;
            if (ms < kProgressAfterMs) return;
            box.hidden = false;
            this.$('progress-text').textContent = `${what()} · ${(ms / 1000).toFixed(1)} s`;
        }, 100);
    }

    cancel() {
        ++this.generation;
        this.runner.cancel();
        this.progress(null);
        this.busy(false);
        this.$('status').textContent = 'cancelled.';
    }

    busy(on) {
        document.body.dataset.busy = String(on);
    }

    // Converts with the form's settings; a newer run replaces one still running. A run
    // about to end (a small view of the strip) is let finish: a fresh worker costs more.
    async convert() {
        if (!this.source) return;
        if (this.runner.age > kLetFinishMs) this.runner.cancel();
        const generation = ++this.generation;
        const argv = this.argv();
        const program = this.program();
        const source = this.source;
        const target = program === 'fitinfo' && !this.$('extract').checked ? null : this.targetName();
        const started = performance.now();
        this.busy(true);
        this.$('status').textContent = `${program} is running…`;
        this.progress(() => `${program} is running`, started);
        const files = {[source.name]: source.file};
        const result = program === 'picfit'
            ? await this.runner.run('picture', argv, files, target)
            : await this.runner.run('run', argv, files, target ? [target] : []);
        if (generation !== this.generation || result.cancelled) return;
        this.progress(null);
        let took = performance.now() - started;
        this.$('command').textContent = argv.join(' ');
        await this.showMessages(result);
        if (generation !== this.generation) return;
        this.showAdvice(result);
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
        const preview = program === 'picfit' ? result.preview ?? null
            : output && /\.png$/i.test(target) ? output : null;
        if (program === 'picfit' || preview) {
            if (program !== 'picfit') this.showSource(null);
            await this.showMachineView(preview);
            if (generation !== this.generation) return;
            if (preview) took = performance.now() - started;
        } else {
            this.$('pictures').hidden = true;
            this.showStrip(false);
        }
        this.$('status').textContent =
            `exit status ${result.status} · ${took.toFixed(1)} ms${preview ? ' with the view drawn' : ''}`;
        this.busy(false);
        document.body.dataset.converted = String(Number(document.body.dataset.converted ?? 0) + 1);
        if (program === 'picfit' && preview) this.strip(argv, generation);
        else if (program === 'picfit') this.showStrip(false);
    }

    // A line that says why a picture was refused for its size, and what takes it.
    showAdvice(result) {
        const advice = this.$('advice');
        const picture = this.source?.picture;
        advice.textContent = '';
        if (this.program() !== 'picfit' || !picture || !/Bad image size\./.test(result.stderr)) return;
        const two = this.argv().includes('--two-colour');
        const mode = two ? this.modes.two : this.modes.colour;
        advice.textContent = `The picture is ${picture.width} × ${picture.height} pixels; ` +
            `${two ? 'two-colour' : 'colour'} mode takes at most ${mode.width} × ${mode.height}, ` +
            `the width a multiple of ${mode.step}.` +
            (picture.pcx ? ' A PCX picture is taken at its own size only.' : ' Tick --fit to scale it to the screen.');
    }

    // Small views of every dithering choice for the picture and its other settings,
    // made after the conversion; clicking one picks it.
    async strip(argv, generation) {
        const rest = argv.filter((word) => !word.startsWith('--dither='));
        const key = JSON.stringify(rest) + this.source.name;
        const chosen = this.dither().value || 'floyd-steinberg';
        for (const choice of this.$('strip').querySelectorAll('[data-dither]'))
            choice.setAttribute('aria-pressed', String(choice.dataset.dither === chosen));
        if (key === this.stripKey) return;
        this.showStrip(false);
        this.stripKey = key;
        const at = rest.indexOf('--');
        const files = {[this.source.name]: this.source.file};
        const started = performance.now();
        let done = 0;
        this.progress(() => `the dithering choices: ${done} of ${this.dithers.length} drawn`, started);
        for (const way of this.dithers) {
            const run = [...rest.slice(0, at), '--quiet', '--no-dump', `--dither=${way}`, '--', rest[at + 1], 'strip.tav'];
            const result = await this.runner.run('picture', run, files, 'strip.tav');
            if (generation !== this.generation || result.cancelled) return;
            const canvas = this.$('strip').querySelector(`[data-dither="${way}"] canvas`);
            if (result.preview) await drawPng(canvas, result.preview);
            else canvas.width = canvas.height = 0;
            done++;
        }
        if (generation !== this.generation) return;
        this.progress(null);
        this.showStrip(true);
    }

    showStrip(on) {
        if (!on) this.stripKey = null;
        this.$('strip').hidden = !on;
        if (on) document.body.dataset.strip = String(Number(document.body.dataset.strip ?? 0) + 1);
    }

    // Standard output, then standard error in its own colour, the "written" lines
    // marked as success; a fault fitinfo finds is shown at its offset in the bytes
    // of the file.
    async showMessages(result) {
        const messages = this.$('messages');
        const report = this.program() === 'fitinfo' ? parseReport(result.stdout) : null;
        messages.textContent = report ? reportText(report) : result.stdout;
        for (const line of result.stderr.split(/(?<=\n)/)) {
            if (!line) continue;
            const span = document.createElement('span');
            span.className = / file written\.\n?$/.test(line) ? 'written' : 'stderr';
            span.textContent = line;
            messages.append(span);
        }
        const dump = this.$('hexdump');
        const fault = report?.files.find((f) => f.fault)?.fault;
        dump.hidden = !fault;
        if (fault) await showBytes(dump, this.source.file, fault.offset);
    }

    showSource(picture) {
        this.$('pictures').hidden = false;
        const canvas = this.$('source-view');
        canvas.parentElement.hidden = !picture;
        if (!picture) return;
        canvas.width = picture.view.width;
        canvas.height = picture.view.height;
        picture.draw(canvas.getContext('2d'));
        this.$('source-caption').textContent = `the source, ${picture.width} × ${picture.height}`;
    }

    // The machine's view of the target (a PNG), or a line saying there is none.
    async showMachineView(png) {
        const canvas = this.$('machine-view');
        const caption = this.$('machine-caption');
        if (png) {
            await drawPng(canvas, png);
            caption.textContent = `the machine's view, ${canvas.width} × ${canvas.height}`;
        } else {
            canvas.width = canvas.height = 0;
            caption.textContent = this.source ? 'the machine\'s view: none, the program wrote no picture' : '';
        }
        canvas.hidden = !png;
    }
}

if (typeof document !== 'undefined') {
    const start = async () => {
        try {
            const page = new Page(await moduleBytes());
            const [choices] = await Promise.all([page.runner.ready, page.checker.ready, page.viewer.ready]);
            page.offer(choices);
            window.fitPage = page;
            document.body.dataset.ready = 'true';
        } catch (error) {
            document.getElementById('status').textContent = `The programs could not be loaded: ${error.message}`;
        }
    };
    if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', start);
    else start();
}
