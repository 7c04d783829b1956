// The page served from a folder by a static server of our own, as any would serve it,
// and opened in headless Chromium with a fresh profile (the browser tests and
// bench/web.mjs).
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import {chromium} from 'playwright-core';

export const browserPath = process.env.FIT_CHROMIUM ?? '/usr/bin/chromium';

const types = {'.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm'};

// Resolves to {page, context, url, close()} once the page's module is ready.
export async function openPage(web, profile) {
    const server = http.createServer((request, response) => {
        const name = new URL(request.url, 'http://x').pathname.replace(/^\/$/, '/index.html');
        const file = path.join(web, path.normalize(name));
        if (!file.startsWith(web) || !fs.existsSync(file)) {
            response.writeHead(404).end();
            return;
        }
        response.writeHead(200, {'content-type': types[path.extname(file)] ?? 'application/octet-stream'});
        response.end(fs.readFileSync(file));
    });
    await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
    const url = `http://127.0.0.1:${server.address().port}/`;
    const context = await chromium.launchPersistentContext(profile, {
        executablePath: browserPath,
        headless: true,
        acceptDownloads: true,
        viewport: {width: 1280, height: 900},
        args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
               '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    });
    const page = context.pages()[0] ?? await context.newPage();
    // Nothing may leave for anywhere but the page's own server.
    const foreign = [];
    page.on('request', (r) => { if (!r.url().startsWith(url)) foreign.push(r.url()); });
    await page.goto(url);
    await page.waitForSelector('body[data-ready="true"]');
    return {
        page, context, url, foreign,
        async close() {
            await context.close();
            server.close();
        },
    };
}
