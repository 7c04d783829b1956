// Writes the page as one HTML file that works opened from the disk (file://), with no
// server: the style and the script inline, the worker's source and the module (base64)
// inside the script, the worker started from a blob: URL. Its policy allows exactly
// these inline parts, by their SHA-256 hashes.
//   node single_file.mjs WEB_SOURCE_DIR FIT_WASM OUTPUT
import crypto from 'node:crypto';
import fs from 'node:fs';
import path from 'node:path';

const [web, wasm, output] = process.argv.slice(2);
const read = (name) => fs.readFileSync(path.join(web, name), 'utf8');
// "</script" must not appear inside the script: "<" is written as \u003c in the
// worker's string (base64 has none).
const json = (text) => JSON.stringify(text).replace(/</g, '\\u003c');

const marker = 'const kEmbedded = null;';
const page = read('fit.js');
if (!page.includes(marker)) throw new Error(`fit.js has no "${marker}"`);
// The worker runs as a classic script there, where "export" has no place.
const worker = read('worker.js').replace(/^export /gm, '');
const script = page.replace(marker, () => `const kEmbedded = {worker: ${json(worker)}, ` +
                                         `wasm: '${fs.readFileSync(wasm).toString('base64')}'};`);
const style = read('style.css');
const hash = (text) => `'sha256-${crypto.createHash('sha256').update(text, 'utf8').digest('base64')}'`;
const policy = `default-src 'none'; script-src ${hash(script)} 'wasm-unsafe-eval'; worker-src blob:; ` +
    `style-src ${hash(style)}; img-src blob:; base-uri 'none'; form-action 'none'`;

let html = read('index.html');
const swap = (pattern, by) => {
    if (!pattern.test(html)) throw new Error(`index.html has no ${pattern}`);
    html = html.replace(pattern, () => by);
};
swap(/<meta http-equiv="Content-Security-Policy" content="[^"]*">/,
     `<meta http-equiv="Content-Security-Policy" content="${policy}">`);
swap(/<link rel="stylesheet" href="style.css">/, `<style>${style}</style>`);
swap(/<script type="module" src="fit.js"><\/script>/, `<script type="module">${script}</script>`);
fs.writeFileSync(output, html);
