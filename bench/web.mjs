// Each conversion in the web page, in headless Chromium, beside the same run of the
// same programs built for this machine over the same files in memory
// (fit_bench_memory), on the benchmark's largest inputs; then the module's size and a
// 320 x 200 picture redone and redrawn in the page as two-colour mode is switched.
//   node bench/web.mjs [WEB_DIR [BENCH_BIN]]   (default build-wasm/web, build-bench/bin)
// Needs the npm packages of tests/web (cd tests/web && npm ci).
import {spawnSync} from 'node:child_process';
import fs from 'node:fs';
import {createRequire} from 'node:module';
import os from 'node:os';
import path from 'node:path';
import {fileURLToPath, pathToFileURL} from 'node:url';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..');
const web = path.resolve(process.argv[2] ?? path.join(root, 'build-wasm/web'));
const bin = path.resolve(process.argv[3] ?? path.join(root, 'build-bench/bin'));
const session = createRequire(path.join(root, 'tests/web/package.json')).resolve('./browser_session.mjs');
const {openPage} = await import(pathToFileURL(session));

// The benchmark's inputs: noise from the same generator, PCX pictures of palette
// indices below 0xC0, a byte a pixel.
function noise(n, seed) {
    const b = new Uint8Array(n);
    for (let i = 0; i < n; i++) {
        seed = (Math.imul(seed, 1664525) + 1013904223) >>> 0;
        b[i] = seed >>> 24;
    }
    return b;
}
function pcx(width, height) {
    const head = new Uint8Array(128);
    head.set([0x0a, 5, 1, 8]);
    head[8] = (width - 1) & 0xff;
    head[9] = (width - 1) >> 8;
    head[10] = height - 1;
    head[65] = 1;
    const pixels = noise(width * height, 3).map((x) => x % 0xc0);
    return Buffer.concat([head, pixels]);
}

const work = fs.mkdtempSync(path.join(os.tmpdir(), 'fit-web-bench-'));
const files = {
    'code48639.bin': noise(48639, 1), 'code45056.bin': noise(45056, 1), 'code32251.bin': noise(32251, 1),
    'code16383.bin': noise(16383, 1), 'code1151.bin': noise(1151, 1),
    'data130556.dat': noise(130556, 2), 'data637330.dat': noise(637330, 2), 'data640000.dat': noise(640000, 2),
    'noisy320x250.pcx': pcx(320, 250), 'noisy640x250.pcx': pcx(640, 250),
};
for (const [name, bytes] of Object.entries(files)) fs.writeFileSync(path.join(work, name), bytes);
const cases = [
    ['codefit EXE', ['codefit', '-r:0200', 'code48639.bin', 'out.exe']],
    ['codefit DOS', ['codefit', '-t:DOS', 'code45056.bin', 'out.obj']],
    ['codefit ROM', ['codefit', '-t:ROM', '-r:0200', 'code32251.bin', 'out.rom']],
    ['codefit K7 -l:2', ['codefit', '-t:K7', '-r:8000', '-l:2', 'code16383.bin', 'out.k7']],
    ['codefit BAS', ['codefit', '-t:BAS', 'code1151.bin', 'out.bas']],
    ['datafit DOS -r:FFFF', ['datafit', '-r:FFFF', 'data130556.dat', 'out.dsk']],
    ['datafit K7 -r:10000', ['datafit', '-t:K7', '-r:10000', 'data637330.dat', 'out.k7']],
    ['datafit TASM', ['datafit', '-t:TASM', 'data640000.dat', 'out.asm']],
    ['picfit 320 x 250 noisy', ['picfit', 'noisy320x250.pcx', 'out.tav']],
    ['picfit -b 640 x 250 noisy', ['picfit', '-b', 'noisy640x250.pcx', 'out.tav']],
];
const runs = Number(process.env.RUNS ?? 100);

const {page, close} = await openPage(web, path.join(work, 'profile'));
// The module's own cost, without the worker's messages: the page's Fit, in the page.
await page.evaluate(async () => {
    const {Fit} = await import(new URL('worker.js', location.href));
    window.benchFit = await Fit.load(new URL('fit.wasm', location.href));
});
console.log('| conversion | page | native, in memory | page / native |');
console.log('|---|---:|---:|---:|');
for (const [name, argv] of cases) {
    const source = argv.at(-2);
    const native = spawnSync(path.join(bin, 'fit_bench_memory'), [String(runs), path.join(work, source), ...argv],
                             {stdio: ['ignore', 'ignore', 'pipe']});
    if (native.status !== 0) throw new Error(`${name}: ${native.stderr}`);
    const nativeUs = parseFloat(native.stderr.toString().trim().split('\n').at(-1));
    // The best mean of five batches, as natively; a batch, not a run, is timed, as the
    // browser rounds its clock.
    const pageUs = await page.evaluate(({argv, base64, source, runs}) => {
        const bytes = Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
        let best = Infinity;
        for (let batch = 0; batch < 5; batch++) {
            const start = performance.now();
            for (let i = 0; i < runs; i++) {
                const result = window.benchFit.run(argv, {[source]: bytes}, [argv.at(-1)]);
                if (result.status !== 0) throw new Error(result.stderr);
            }
            best = Math.min(best, (performance.now() - start) * 1000 / runs);
        }
        return best;
    }, {argv, base64: Buffer.from(files[source]).toString('base64'), source, runs});
    const us = (t) => t >= 1000 ? `${(t / 1000).toFixed(2)} ms` : `${t.toFixed(0)} µs`;
    console.log(`| ${name} | ${us(pageUs)} | ${us(nativeUs)} | ${(pageUs / nativeUs).toFixed(2)} |`);
}

// A 320 x 200 picture, redone and drawn, source and machine's view, each time the
// two-colour box is switched: the page's own count, from the start of the run to both
// views drawn.
await page.setInputFiles('#file', path.join(root, 'examples/title-320x200-pillow.pcx'));
await page.click('#convert');
const times = [];
for (let i = 0; i < 21; i++) {
    const before = Number(await page.getAttribute('body', 'data-converted') ?? 0);
    await page.click('[data-program="picfit"] [data-long="two-colour"]');
    await page.waitForFunction((n) => Number(document.body.dataset.converted) > n, before);
    times.push(parseFloat((await page.textContent('#status')).split('·')[1]));
}
times.sort((a, b) => a - b);
console.log(`\n320 x 200 picture redone and redrawn in the page: median ${times[10].toFixed(1)} ms, ` +
            `slowest ${times.at(-1).toFixed(1)} ms of ${times.length}`);
console.log(`module: ${fs.statSync(path.join(web, 'fit.wasm')).size} bytes`);
await close();
fs.rmSync(work, {recursive: true, force: true});
