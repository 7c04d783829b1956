// Runs every case of cases.json, then every target of the converters' tables with its
// defaults (so that a row added to a table is run without a case of its own), with
// the native programs and with the WebAssembly module under Node, and compares exit status, standard output, standard error and
// the file each writes, byte for byte. Each native run works in a folder of its own
// holding the examples and the files the earlier cases wrote; the module gets the
// same files in memory.
//   node identity.mjs NATIVE_BIN FIT_WASM
// Exit status 77 (skipped) when the module has not been built.
import {spawnSync} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {fileURLToPath} from 'node:url';
import {Fit} from '../../web/worker.js';

const here = path.dirname(fileURLToPath(import.meta.url));
const [bin, module] = process.argv.slice(2).map((p) => p && path.resolve(p));
if (!module || !fs.existsSync(module)) {
    console.log(`SKIPPED: no WebAssembly module at ${module} (cmake --workflow --preset wasm)`);
    process.exit(77);
}
const cases = JSON.parse(fs.readFileSync(path.join(here, 'cases.json'), 'utf8'));
const examples = path.join(here, '../../examples');
const fit = await Fit.load(fs.readFileSync(module));
const sources = {codefit: 'hello.bin', datafit: 'level.dat'};
for (const [program, source] of Object.entries(sources)) {
    for (const target of fit.choices()[program].targets) {
        const out = `every-${target.name}.${target.extension}`;
        cases.push({name: `${program} ${target.name} by its row`, out,
                    argv: [program, source, out, `--type=${target.name.toLowerCase()}`]});
    }
}

// The files every case may read: the examples, then what the cases before wrote.
const files = {};
for (const name of fs.readdirSync(examples)) files[name] = fs.readFileSync(path.join(examples, name));

const work = fs.mkdtempSync(path.join(os.tmpdir(), 'fit-identity-'));
let failures = 0;
for (const c of cases) {
    const dir = path.join(work, c.name.replace(/[^A-Za-z0-9]+/g, '-'));
    fs.mkdirSync(dir);
    for (const [name, bytes] of Object.entries(files)) fs.writeFileSync(path.join(dir, name), bytes);
    const native = spawnSync(path.join(bin, c.argv[0]), c.argv.slice(1), {cwd: dir, argv0: c.argv[0]});
    const web = fit.run(c.argv, files, c.out ? [c.out] : []);
    const wanted = c.out && fs.existsSync(path.join(dir, c.out)) ? fs.readFileSync(path.join(dir, c.out)) : null;
    const differences = [];
    if (native.status !== web.status) differences.push(`status ${native.status} / ${web.status}`);
    if (native.stdout.toString() !== web.stdout) differences.push(`stdout\n${native.stdout}---\n${web.stdout}`);
    if (native.stderr.toString() !== web.stderr) differences.push(`stderr\n${native.stderr}---\n${web.stderr}`);
    if (c.out && !(wanted && web.files[c.out] && Buffer.from(web.files[c.out]).equals(wanted)))
        differences.push(`${c.out}: the bytes differ`);
    if (differences.length) {
        failures++;
        console.log(`FAIL: ${c.name}: ${c.argv.join(' ')}\n  ${differences.join('\n  ')}`);
    } else {
        console.log(`ok: ${c.name}: ${c.argv.join(' ')} (status ${native.status})`);
    }
    if (c.out && wanted) files[c.out] = wanted;
}
// A block the module cannot give is refused, not written over from address 0, and
// the run after starts a fresh instance.
{
    fit.start();
    fit.instance = {exports: {...fit.instance.exports, fit_alloc: () => 0}};
    const refused = fit.run(['codefit', '--version']);
    const after = fit.run(['codefit', '--version']);
    if (refused.status !== -1 || !refused.stderr.includes('no memory left in the module') || after.status !== 0) {
        failures++;
        console.log(`FAIL: no memory from fit_alloc: status ${refused.status}, ${refused.stderr}; then status ${after.status}`);
    } else {
        console.log('ok: no memory from fit_alloc: the run stops, the next starts a fresh instance');
    }
}
fs.rmSync(work, {recursive: true, force: true});
if (failures) {
    console.log(`${failures} case(s) differ between the module and the native programs`);
    process.exit(1);
}
console.log('Every case of the module matches the native programs.');
