// Drives the web page in headless Chromium: for every target a file is chosen, the
// form filled, the file converted and downloaded, and the download must equal what
// the native program writes for the command line the page shows; a refused option
// shows the program's own refusal beside its field; a picture's view on the page
// equals fitinfo's PNG preview pixel for pixel, also once two-colour mode is switched.
// Then: file names that look like options, a photograph with its dithering strip, the
// page answering while a long run goes on, the single file opened from the disk, the
// page's policy and a console without errors or warnings.
//   node browser.mjs WEB_DIR NATIVE_BIN [--screenshot=FILE] [--photo-screenshot=FILE]
import {spawnSync} from 'node:child_process';
import zlib from 'node:zlib';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {fileURLToPath, pathToFileURL} from 'node:url';
import {browserPath, openPage} from './browser_session.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const examples = path.join(here, '../../examples');
const positional = process.argv.slice(2).filter((a) => !a.startsWith('--'));
const [web, bin] = positional.map((p) => path.resolve(p));
const screenshot = process.argv.find((a) => a.startsWith('--screenshot='))?.slice(13);
const photoShot = process.argv.find((a) => a.startsWith('--photo-screenshot='))?.slice(19);
const photo = path.join(here, '../data/picture/chelsea-451x300.png');
if (!fs.existsSync(path.join(web, 'fit.wasm')) || !fs.existsSync(browserPath)) {
    console.log(`SKIPPED: no page at ${web} or no browser at ${browserPath}`);
    process.exit(77);
}

const work = fs.mkdtempSync(path.join(os.tmpdir(), 'fit-browser-'));
const native = (argv, dir) => spawnSync(path.join(bin, argv[0]), argv.slice(1), {cwd: dir, argv0: argv[0]});

// Inputs the examples do not hold, made by the native programs.
const inputs = path.join(work, 'inputs');
fs.mkdirSync(inputs);
for (const name of fs.readdirSync(examples)) fs.copyFileSync(path.join(examples, name), path.join(inputs, name));
native(['codefit', 'hello.bin', 'hello.exe'], inputs);
native(['picfit', 'title-320x200-pillow.pcx', 'title.tav'], inputs);
// Names a command line would take for options, were they not after "--".
fs.copyFileSync(path.join(inputs, 'hello.bin'), path.join(inputs, '--version'));
fs.copyFileSync(path.join(inputs, 'rose-280x184.png'), path.join(inputs, '-b.png'));
fs.copyFileSync(photo, path.join(inputs, 'chelsea-451x300.png'));

const session = await openPage(web, path.join(work, 'profile'));
const {page} = session;

let failures = 0;
const fail = (what) => { failures++; console.log(`FAIL: ${what}`); };
// Every error or warning the page writes to the console, and every uncaught error.
const noise = [];
const listen = (p, where) => {
    p.on('console', (m) => { if (m.type() === 'error' || m.type() === 'warning') noise.push(`${where}: ${m.text()}`); });
    p.on('pageerror', (e) => noise.push(`${where}: ${e.message}`));
};
listen(page, 'served page');
// The console of the page's load itself was not listened to yet: reloaded.
await page.reload();
await page.waitForSelector('body[data-ready="true"]');

// The picker offers every kind of file the programs write (fitinfo reads them), the
// targets from the module's tables.
const accepted = (await page.getAttribute('#file', 'accept')).split(',');
for (const extension of ['.exe', '.obj', '.rom', '.k7', '.bas', '.dsk', '.asm', '.tav', '.bin', '.png'])
    if (!accepted.includes(extension)) fail(`the file picker does not offer ${extension} files`);

// Whether the page is done: the conversion counter past `before` and no run going on.
const settled = (before) => page.waitForFunction(
    (n) => Number(document.body.dataset.converted ?? 0) > n && document.body.dataset.busy === 'false', before);
const count = async (what) => Number(await page.getAttribute('body', `data-${what}`) ?? 0);

// A PNG of a photograph's size and texture (smooth shades, fine grain), made here:
// slow to decode and scale for its size, as a photograph is, not a bomb.
function photographLike(width, height) {
    const raw = Buffer.alloc((3 * width + 1) * height);
    let seed = 12345;
    for (let y = 0, at = 0; y < height; y++) {
        raw[at++] = 0;
        for (let x = 0; x < width; x++) {
            seed = (seed * 1103515245 + 12345) >>> 0;
            const grain = seed >>> 28;
            raw[at++] = (x * 255 / width + grain) & 255;
            raw[at++] = (y * 255 / height + grain) & 255;
            raw[at++] = ((x + y) * 128 / (width + height) + 64 + grain) & 255;
        }
    }
    const crcTable = Array.from({length: 256}, (_, n) => {
        for (let k = 0; k < 8; k++) n = n & 1 ? 0xedb88320 ^ (n >>> 1) : n >>> 1;
        return n >>> 0;
    });
    const chunk = (type, data) => {
        const body = Buffer.concat([Buffer.from(type, 'latin1'), data]);
        let crc = 0xffffffff;
        for (const b of body) crc = crcTable[(crc ^ b) & 255] ^ (crc >>> 8);
        const out = Buffer.alloc(body.length + 8);
        out.writeUInt32BE(data.length, 0);
        body.copy(out, 4);
        out.writeUInt32BE((crc ^ 0xffffffff) >>> 0, body.length + 4);
        return out;
    };
    const header = Buffer.alloc(13);
    header.writeUInt32BE(width, 0);
    header.writeUInt32BE(height, 4);
    header.set([8, 2, 0, 0, 0], 8);
    return Buffer.concat([Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]), chunk('IHDR', header),
                          chunk('IDAT', zlib.deflateSync(raw, {level: 1})), chunk('IEND', Buffer.alloc(0))]);
}

// Sets the form as a person would; returns once the page has converted.
async function convert({file, program, fields = {}, flags = [], extract = false}) {
    const chosen = await count('chosen');
    await page.setInputFiles('#file', path.join(inputs, file));
    await page.waitForFunction((n) => Number(document.body.dataset.chosen ?? 0) > n, chosen);
    await page.selectOption('#program', program);
    for (const field of await page.$$(`[data-program="${program}"] [data-long]`)) {
        const name = await field.getAttribute('data-long');
        const tag = await field.evaluate((e) => e.type === 'checkbox' ? 'checkbox' : e.tagName);
        if (tag === 'checkbox') await field.setChecked(flags.includes(name));
        else if (tag === 'SELECT') await field.selectOption(fields[name] ?? await field.getAttribute('data-default'));
        else await field.fill(fields[name] ?? '');
    }
    if (program === 'fitinfo') await page.setChecked('#extract', extract);
    const before = await count('converted');
    await page.click('#convert');
    await settled(before);
    return (await page.textContent('#command')).split(' ');
}

// Whether the machine's view on the page equals the PNG file pixel for pixel.
function sameView(png, on = page) {
    return on.evaluate(async (base64) => {
        const bytes = Uint8Array.from(atob(base64), (ch) => ch.charCodeAt(0));
        const image = await createImageBitmap(new Blob([bytes], {type: 'image/png'}),
                                              {colorSpaceConversion: 'none', premultiplyAlpha: 'none'});
        const expected = new OffscreenCanvas(image.width, image.height).getContext('2d');
        expected.drawImage(image, 0, 0);
        const canvas = document.getElementById('machine-view');
        if (canvas.width !== image.width || canvas.height !== image.height) return 'the sizes differ';
        // Read from a copy: reading the page's canvas itself again and again would have
        // Chromium warn on the page's console.
        const copy = new OffscreenCanvas(image.width, image.height).getContext('2d');
        copy.drawImage(canvas, 0, 0);
        const a = copy.getImageData(0, 0, image.width, image.height).data;
        const b = expected.getImageData(0, 0, image.width, image.height).data;
        for (let i = 0; i < a.length; i++) if (a[i] !== b[i]) return `pixel ${i >> 2} differs`;
        return 'same';
    }, fs.readFileSync(png).toString('base64'));
}

const cases = [
    {name: 'codefit EXE', file: 'hello.bin', program: 'codefit', flags: ['clear-screen']},
    {name: 'codefit DOS', file: 'hello.bin', program: 'codefit', fields: {type: 'DOS'}},
    {name: 'codefit ROM', file: 'hello.bin', program: 'codefit', fields: {type: 'ROM'}, flags: ['paged']},
    {name: 'codefit K7', file: 'hello.bin', program: 'codefit', fields: {type: 'K7', name: 'HELO', loader: '1'}},
    {name: 'codefit BAS', file: 'hello.bin', program: 'codefit', fields: {type: 'BAS'}},
    {name: 'datafit DOS', file: 'level.dat', program: 'datafit', fields: {header: '80', record: '100'}},
    {name: 'datafit K7', file: 'level.dat', program: 'datafit', fields: {type: 'K7', name: 'LVL1'}},
    {name: 'datafit TASM', file: 'sprites.bin', program: 'datafit', fields: {type: 'TASM'}},
    {name: 'picfit colour', file: 'title-320x200-pillow.pcx', program: 'picfit', preview: true},
    {name: 'picfit two-colour', file: 'logo-640x200-pillow.pcx', program: 'picfit', flags: ['two-colour'], preview: true},
    {name: 'fitinfo -x code', file: 'hello.exe', program: 'fitinfo', extract: true},
    {name: 'fitinfo -x PNG', file: 'title.tav', program: 'fitinfo', extract: true},
    {name: 'codefit, a file named --version', file: '--version', program: 'codefit'},
    {name: 'picfit, a file named -b.png', file: '-b.png', program: 'picfit', preview: true},
    {name: 'picfit photograph', file: 'chelsea-451x300.png', program: 'picfit', flags: ['fit'], preview: true},
];
// A target of the tables that no case above names is converted with its defaults (the
// first of each list is the default, converted above).
for (const program of ['codefit', 'datafit']) {
    const types = await page.$$eval(`[data-program="${program}"] [data-long="type"] option`,
                                    (options) => options.map((o) => o.value));
    for (const type of types.slice(1))
        if (!cases.some((c) => c.program === program && c.fields?.type === type))
            cases.push({name: `${program} ${type}`, file: program === 'codefit' ? 'hello.bin' : 'level.dat',
                        program, fields: {type}});
}

for (const c of cases) {
    const argv = await convert(c);
    const dir = path.join(work, c.name.replace(/[^A-Za-z0-9]+/g, '-'));
    fs.mkdirSync(dir);
    fs.copyFileSync(path.join(inputs, c.file), path.join(dir, c.file));
    const run = native(argv, dir);
    const target = c.program === 'fitinfo' ? argv[1].replace(/^--extract=/, '') : argv.at(-1);
    const wanted = path.join(dir, target);
    if (run.status !== 0 || !fs.existsSync(wanted)) {
        fail(`${c.name}: the native ${argv.join(' ')} failed:\n${run.stderr}`);
        continue;
    }
    const shown = await page.textContent('#messages');
    if (shown !== `${run.stdout}${run.stderr}`) fail(`${c.name}: the messages differ:\n${shown}---\n${run.stdout}${run.stderr}`);
    const [download] = await Promise.all([page.waitForEvent('download'), page.click('#download')]);
    const got = fs.readFileSync(await download.path());
    if (download.suggestedFilename() !== target) fail(`${c.name}: downloaded as ${download.suggestedFilename()}`);
    else if (!got.equals(fs.readFileSync(wanted))) fail(`${c.name}: the download differs from ${argv.join(' ')}`);
    else console.log(`ok: ${c.name}: ${argv.join(' ')}`);

    if (c.preview) {
        const png = native(['fitinfo', '--extract=view.png', '--', target], dir);
        if (png.status !== 0) {
            fail(`${c.name}: fitinfo made no preview`);
            continue;
        }
        const same = await sameView(path.join(dir, 'view.png'));
        if (same !== 'same') fail(`${c.name}: the machine's view and fitinfo's preview: ${same}`);
        else console.log(`ok: ${c.name}: the machine's view equals fitinfo's preview`);
    }
}

// fitinfo's report, read from its JSON, as the command line prints it without --json.
const withoutJson = (argv) => argv.filter((word) => word !== '--json');
{
    const argv = await convert({file: 'hello.exe', program: 'fitinfo'});
    if (!argv.includes('--json')) fail('fitinfo ran without --json');
    const run = native(withoutJson(argv), inputs);
    const shown = await page.textContent('#messages');
    if (shown !== `${run.stdout}${run.stderr}`) fail(`fitinfo report:\n${shown}---\n${run.stdout}${run.stderr}`);
    else console.log(`ok: fitinfo report: ${argv.join(' ')}`);
}

// A fault fitinfo finds is marked at its offset in the file's bytes.
{
    const bad = fs.readFileSync(path.join(inputs, 'hello.exe'));
    bad[5] ^= 0xff;
    fs.writeFileSync(path.join(inputs, 'bad.exe'), bad);
    const argv = await convert({file: 'bad.exe', program: 'fitinfo'});
    const run = native(withoutJson(argv), inputs);
    const offset = Number(run.stderr.toString().match(/: offset (\d+) /)?.[1]);
    const shown = await page.textContent('#messages');
    const mark = await page.$('#hexdump:not([hidden]) mark');
    const at = mark && Number(await mark.getAttribute('data-offset'));
    if (shown !== `${run.stdout}${run.stderr}`) fail(`fitinfo fault:\n${shown}---\n${run.stdout}${run.stderr}`);
    else if (at !== offset || await mark.textContent() !== bad[offset].toString(16).toUpperCase().padStart(2, '0'))
        fail(`the fault at offset ${offset} is marked at ${at}`);
    else console.log(`ok: fitinfo's fault at offset ${offset} marked in the bytes`);
}

// Refusals come from the program's own parser, beside their field.
for (const [program, field, value] of [['codefit', 'load', 'XYZ'], ['codefit', 'name', 'TOOLONG'],
                                       ['datafit', 'record', '10001'], ['fitinfo', 'rom-size', '0']]) {
    await page.selectOption('#program', program);
    const span = `[data-program="${program}"] .refusal[data-for="${field}"]`;
    // The parser runs in the page's worker once typing pauses: its answer is waited for.
    const answered = async (change) => {
        const before = await count('checked');
        await change();
        await page.waitForFunction((n) => Number(document.body.dataset.checked ?? 0) > n &&
                                   document.body.dataset.checking === 'false', before);
        return page.textContent(span);
    };
    const shown = await answered(() => page.fill(`[data-program="${program}"] [data-long="${field}"]`, value));
    const run = native([program, `--${field}=${value}`, 'a', 'b'], work);
    const line = run.stderr.toString().split('\n').find((l) => l.includes(`--${field}`));
    if (!line || shown !== line) fail(`refusal of --${field}=${value}: shown "${shown}", the program says "${line}"`);
    else console.log(`ok: --${field}=${value} refused beside its field: ${shown}`);
    if (await answered(() => page.fill(`[data-program="${program}"] [data-long="${field}"]`, '')) !== '')
        fail(`the refusal of --${field} stays once the field is cleared`);
}

// Two-colour mode switched on the page: the picture is redone and the view redrawn
// at once, without pressing Convert, as the program makes it.
{
    await convert({file: 'title-320x200-pillow.pcx', program: 'picfit'});
    for (const step of ['on', 'off']) {
        const before = await count('converted');
        await page.click('[data-program="picfit"] [data-long="two-colour"]');
        await settled(before);
        const argv = (await page.textContent('#command')).split(' ');
        const dir = path.join(work, `switched-${step}`);
        fs.mkdirSync(dir);
        fs.copyFileSync(path.join(inputs, argv.at(-2)), path.join(dir, argv.at(-2)));
        native(argv, dir);
        native(['fitinfo', '--extract=view.png', argv.at(-1)], dir);
        const same = fs.existsSync(path.join(dir, 'view.png')) ? await sameView(path.join(dir, 'view.png')) : 'no preview';
        if (same !== 'same') fail(`two-colour mode switched ${step}: ${argv.join(' ')}: ${same}`);
        else console.log(`ok: two-colour mode switched ${step}: the view is redrawn as ${argv.join(' ')} makes it`);
    }
}

// A photograph larger than the screen: the source is drawn at once, --fit is ticked
// by default, the machine's view is beside it; unticked, the refusal comes with a line
// saying why, the source still drawn; the strip shows every dithering choice and a
// click on one converts with it.
{
    const sourceShown = () => page.evaluate(() => {
        const c = document.getElementById('source-view');
        if (c.closest('[hidden]') || c.width !== 451 || c.height !== 300) return `${c.width} × ${c.height}`;
        // A pixel of the cat's fur, not the black of an empty canvas.
        const copy = new OffscreenCanvas(c.width, c.height).getContext('2d');
        copy.drawImage(c, 0, 0);
        const [r, g, b] = copy.getImageData(225, 150, 1, 1).data;
        return r + g + b > 0 ? 'shown' : 'black';
    });
    const before = await count('converted');
    const strips = await count('strip');
    await page.setInputFiles('#file', photo);
    await settled(before);
    const argv = (await page.textContent('#command')).split(' ');
    if (!argv.includes('--fit')) fail(`a photograph larger than the screen is not fitted by default: ${argv.join(' ')}`);
    const source = await sourceShown();
    const written = await page.textContent('#messages .written');
    if (source !== 'shown') fail(`the photograph's source view: ${source}`);
    else if (written !== 'chelsea-451x300.tav file written.\n') fail(`"file written." is not shown as success: "${written}"`);
    else console.log(`ok: photograph: the source drawn, ${argv.join(' ')} by default, "file written." as success`);

    await page.waitForFunction((n) => Number(document.body.dataset.strip ?? 0) > n, strips);
    const strip = await page.$$eval('#strip [data-dither]', (all) => all.map((b) => {
        const c = b.querySelector('canvas');
        return `${b.dataset.dither} ${c.width}x${c.height}`;
    }));
    const wanted = ['none', 'floyd-steinberg', 'atkinson', 'bayer4', 'bayer8'].map((d) => `${d} 320x213`);
    if (strip.join() !== wanted.join()) fail(`the dithering strip: ${strip.join(', ')}`);
    {
        const before = await count('converted');
        await page.click('#strip [data-dither="bayer8"]');
        await settled(before);
        const argv = (await page.textContent('#command')).split(' ');
        const dir = path.join(work, 'strip-bayer8');
        fs.mkdirSync(dir);
        fs.copyFileSync(photo, path.join(dir, argv.at(-2)));
        native(argv, dir);
        native(['fitinfo', '--extract=view.png', argv.at(-1)], dir);
        const same = fs.existsSync(path.join(dir, 'view.png')) ? await sameView(path.join(dir, 'view.png')) : 'no preview';
        if (!argv.includes('--dither=bayer8') || same !== 'same') fail(`a click on bayer8 in the strip: ${argv.join(' ')}: ${same}`);
        else console.log(`ok: the strip holds every dithering choice; a click on one converts as ${argv.join(' ')}`);
        await page.selectOption('[data-program="picfit"] [data-long="dither"]', '');
    }

    const refused = await count('converted');
    await page.uncheck('[data-program="picfit"] [data-long="fit"]');
    await settled(refused);
    const status = await page.textContent('#status');
    const advice = await page.textContent('#advice');
    const after = await sourceShown();
    if (!status.startsWith('exit status 2') || !advice.includes('451 × 300') || !advice.includes('--fit') || after !== 'shown')
        fail(`--fit unticked: "${status}", "${advice}", the source ${after}`);
    else console.log(`ok: --fit unticked: refused, and said why: ${advice}`);
    await page.check('[data-program="picfit"] [data-long="fit"]');
    if (photoShot) {
        await page.waitForFunction((n) => Number(document.body.dataset.strip ?? 0) > n, strips + 1);
        await page.setViewportSize({width: 1280, height: 720});
        await page.screenshot({path: photoShot, fullPage: true});
        await page.setViewportSize({width: 1280, height: 900});
        console.log(`screenshot: ${photoShot}`);
    }
}

// A big photograph, legitimately slow to decode and scale: the page still answers. A
// click on Cancel is answered within 300 ms, and the next conversion runs as ever.
{
    const big = path.join(work, 'big-4000x3000.png');
    fs.writeFileSync(big, photographLike(4000, 3000));
    await page.selectOption('#program', 'picfit');
    await page.check('[data-program="picfit"] [data-long="fit"]');
    const chosen = await count('chosen');
    await page.setInputFiles('#file', big);
    await page.waitForFunction((n) => Number(document.body.dataset.chosen ?? 0) > n, chosen);
    // The longest task of the page's thread from the click on Convert on: the page
    // answers nothing while one runs.
    await page.evaluate(() => {
        window.longest = 0;
        new PerformanceObserver((list) => {
            for (const task of list.getEntries()) window.longest = Math.max(window.longest, task.duration);
        }).observe({type: 'longtask'});
    });
    await page.click('#convert');
    let shown = true;
    await page.waitForSelector('#progress:not([hidden])', {timeout: 20000}).catch(() => { shown = false; });
    if (!shown) {
        fail('the big picture shows no progress: was it converted at all, or too fast to measure?');
    } else {
        // The time from the click, as the browser stamps its event, to the answer
        // painted: a page whose thread is held up answers late, whatever the stamp.
        await page.evaluate(() => {
            window.answer = new Promise((resolve) => {
                document.addEventListener('mousedown', (e) => {
                    new MutationObserver(() => {
                        if (document.getElementById('status').textContent === 'cancelled.')
                            requestAnimationFrame(() => resolve(performance.now() - e.timeStamp));
                    }).observe(document.getElementById('status'), {childList: true, characterData: true, subtree: true});
                }, {capture: true, once: true});
            });
        });
        // A click at the button's place, as a person makes it: no waiting for the page
        // to settle first, as page.click would.
        const box = await (await page.$('#cancel')).boundingBox();
        const started = performance.now();
        await page.mouse.click(box.x + box.width / 2, box.y + box.height / 2);
        const took = await page.evaluate(() => window.answer);
        const roundTrip = performance.now() - started;
        const longest = await page.evaluate(() => new Promise((resolve) => setTimeout(() => resolve(window.longest), 100)));
        const times = `${took.toFixed(0)} ms (${roundTrip.toFixed(0)} ms from the test's side), ` +
            `the page's longest task ${longest.toFixed(0)} ms`;
        if (took > 300 || longest > 300) fail(`Cancel answered ${times} after the click while a picture was decoded`);
        else console.log(`ok: while a 4000 × 3000 picture was decoded, Cancel answered in ${times}`);
    }
    const argv = await convert({file: 'title-320x200-pillow.pcx', program: 'picfit'});
    const dir = path.join(work, 'after-cancel');
    fs.mkdirSync(dir);
    fs.copyFileSync(path.join(inputs, 'title-320x200-pillow.pcx'), path.join(dir, argv.at(-2)));
    native(argv, dir);
    native(['fitinfo', '--extract=view.png', argv.at(-1)], dir);
    const same = await sameView(path.join(dir, 'view.png'));
    if (same !== 'same') fail(`after a cancelled run, ${argv.join(' ')}: ${same}`);
    else console.log('ok: after a cancelled run, the next converts as the program does');
}

// The single file, opened from the disk with no server: it converts the photograph as
// the native program does, under its own policy, and asks for nothing outside itself.
{
    const single = path.join(web, 'fit-offline.html');
    if (!fs.existsSync(single)) {
        fail(`no ${single}`);
    } else {
        const offline = await session.context.newPage();
        listen(offline, 'single file');
        const asked = [];
        offline.on('request', (r) => { if (!/^(file|blob|data):/.test(r.url())) asked.push(r.url()); });
        await offline.goto(pathToFileURL(single).href);
        await offline.waitForSelector('body[data-ready="true"]');
        const before = Number(await offline.getAttribute('body', 'data-converted') ?? 0);
        await offline.setInputFiles('#file', photo);
        await offline.waitForFunction(
            (n) => Number(document.body.dataset.converted ?? 0) > n && document.body.dataset.busy === 'false', before);
        const argv = (await offline.textContent('#command')).split(' ');
        const [download] = await Promise.all([offline.waitForEvent('download'), offline.click('#download')]);
        const dir = path.join(work, 'single-file');
        fs.mkdirSync(dir);
        fs.copyFileSync(photo, path.join(dir, argv.at(-2)));
        native(argv, dir);
        native(['fitinfo', '--extract=view.png', argv.at(-1)], dir);
        const got = fs.readFileSync(await download.path());
        const same = await sameView(path.join(dir, 'view.png'), offline);
        const policy = await offline.getAttribute('meta[http-equiv="Content-Security-Policy"]', 'content');
        if (!got.equals(fs.readFileSync(path.join(dir, argv.at(-1)))) || same !== 'same')
            fail(`the single file from file://: ${argv.join(' ')}: the download or the view (${same}) differs`);
        else if (!/script-src 'sha256-[A-Za-z0-9+/=]+' 'wasm-unsafe-eval';/.test(policy ?? '') || /unsafe-inline/.test(policy))
            fail(`the single file's policy: ${policy}`);
        else if (asked.length) fail(`the single file asked for ${asked.join(', ')}`);
        else console.log(`ok: the single file from file:// converts as ${argv.join(' ')}, under its own policy`);
        await offline.close();
    }
}

// The served page's policy: its own origin only, nothing inline, no eval but the
// module's compilation.
{
    const policy = await page.getAttribute('meta[http-equiv="Content-Security-Policy"]', 'content') ?? '';
    const rules = Object.fromEntries(policy.split(';').map((r) => r.trim().split(/\s+/)).map(([k, ...v]) => [k, v.join(' ')]));
    const expected = {'default-src': "'none'", 'script-src': "'self' 'wasm-unsafe-eval'", 'worker-src': "'self'",
                      'connect-src': "'self'", 'style-src': "'self'"};
    const wrong = Object.entries(expected).filter(([k, v]) => rules[k] !== v).map(([k]) => k);
    if (wrong.length || /unsafe-inline|unsafe-eval'|\*|https?:/.test(policy.replace("'wasm-unsafe-eval'", '')))
        fail(`the page's policy "${policy}": ${wrong.join(', ')}`);
    else console.log(`ok: the page's policy: ${policy}`);
}

if (screenshot) {
    await page.selectOption('#program', 'picfit');
    await convert({file: 'title-320x200-pillow.pcx', program: 'picfit'});
    await page.setViewportSize({width: 1280, height: 580});
    await page.screenshot({path: screenshot, fullPage: true});
    console.log(`screenshot: ${screenshot}`);
}
if (session.foreign.length) fail(`the page asked for ${session.foreign.join(', ')}`);
if (noise.length) fail(`the console:\n  ${noise.join('\n  ')}`);
else console.log('ok: no error or warning in the console');

await session.close();
fs.rmSync(work, {recursive: true, force: true});
if (failures) {
    console.log(`${failures} browser check(s) failed`);
    process.exit(1);
}
console.log('The page converts every target as the native programs do.');
