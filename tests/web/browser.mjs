// Drives the web page in headless Chromium: for every target a file is chosen, the
// form filled, the file converted and downloaded, and the download must equal what
// the native program writes for the command line the page shows; a refused option
// shows the program's own refusal beside its field; a picture's view on the page
// equals fitinfo's PNG preview pixel for pixel, also once two-colour mode is switched.
//   node browser.mjs WEB_DIR NATIVE_BIN [--screenshot=FILE]
import {spawnSync} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {fileURLToPath} from 'node:url';
import {browserPath, openPage} from './browser_session.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const examples = path.join(here, '../../examples');
const positional = process.argv.slice(2).filter((a) => !a.startsWith('--'));
const [web, bin] = positional.map((p) => path.resolve(p));
const screenshot = process.argv.find((a) => a.startsWith('--screenshot='))?.slice(13);
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

const session = await openPage(web, path.join(work, 'profile'));
const {page} = session;

let failures = 0;
const fail = (what) => { failures++; console.log(`FAIL: ${what}`); };

// Sets the form as a person would; returns once the page has converted.
async function convert({file, program, fields = {}, flags = [], extract = false}) {
    await page.setInputFiles('#file', path.join(inputs, file));
    await page.selectOption('#program', program);
    for (const field of await page.$$(`[data-program="${program}"] [data-long]`)) {
        const name = await field.getAttribute('data-long');
        const tag = await field.evaluate((e) => e.type === 'checkbox' ? 'checkbox' : e.tagName);
        if (tag === 'checkbox') await field.setChecked(flags.includes(name));
        else if (tag === 'SELECT') await field.selectOption(fields[name] ?? await field.getAttribute('data-default'));
        else await field.fill(fields[name] ?? '');
    }
    if (program === 'fitinfo') await page.setChecked('#extract', extract);
    const before = Number(await page.getAttribute('body', 'data-converted') ?? 0);
    await page.click('#convert');
    await page.waitForFunction((n) => Number(document.body.dataset.converted ?? 0) > n, before);
    return (await page.textContent('#command')).split(' ');
}

// Whether the machine's view on the page equals the PNG file pixel for pixel.
function sameView(png) {
    return page.evaluate(async (base64) => {
        const bytes = Uint8Array.from(atob(base64), (ch) => ch.charCodeAt(0));
        const image = await createImageBitmap(new Blob([bytes], {type: 'image/png'}),
                                              {colorSpaceConversion: 'none', premultiplyAlpha: 'none'});
        const expected = new OffscreenCanvas(image.width, image.height).getContext('2d');
        expected.drawImage(image, 0, 0);
        const canvas = document.getElementById('machine-view');
        if (canvas.width !== image.width || canvas.height !== image.height) return 'the sizes differ';
        const a = canvas.getContext('2d').getImageData(0, 0, image.width, image.height).data;
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
];

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
        const png = native(['fitinfo', '--extract=view.png', target], dir);
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
    await page.fill(`[data-program="${program}"] [data-long="${field}"]`, value);
    const shown = await page.textContent(`[data-program="${program}"] .refusal[data-for="${field}"]`);
    const run = native([program, `--${field}=${value}`, 'a', 'b'], work);
    const line = run.stderr.toString().split('\n').find((l) => l.includes(`--${field}`));
    if (!line || shown !== line) fail(`refusal of --${field}=${value}: shown "${shown}", the program says "${line}"`);
    else console.log(`ok: --${field}=${value} refused beside its field: ${shown}`);
    await page.fill(`[data-program="${program}"] [data-long="${field}"]`, '');
    if (await page.textContent(`[data-program="${program}"] .refusal[data-for="${field}"]`) !== '')
        fail(`the refusal of --${field} stays once the field is cleared`);
}

// Two-colour mode switched on the page: the picture is redone and the view redrawn
// at once, without pressing Convert, as the program makes it.
{
    await convert({file: 'title-320x200-pillow.pcx', program: 'picfit'});
    for (const step of ['on', 'off']) {
        const before = Number(await page.getAttribute('body', 'data-converted'));
        await page.click('[data-program="picfit"] [data-long="two-colour"]');
        await page.waitForFunction((n) => Number(document.body.dataset.converted) > n, before);
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

if (screenshot) {
    await page.selectOption('#program', 'picfit');
    await convert({file: 'title-320x200-pillow.pcx', program: 'picfit'});
    await page.setViewportSize({width: 1280, height: 580});
    await page.screenshot({path: screenshot, fullPage: true});
    console.log(`screenshot: ${screenshot}`);
}
if (session.foreign.length) fail(`the page asked for ${session.foreign.join(', ')}`);

await session.close();
fs.rmSync(work, {recursive: true, force: true});
if (failures) {
    console.log(`${failures} browser check(s) failed`);
    process.exit(1);
}
console.log('The page converts every target as the native programs do.');
