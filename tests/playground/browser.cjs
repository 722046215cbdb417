// What the playground's browser tests and its benchmark share: a static server on the loopback
// address for the built folder, and Debian's Chromium driven headless by playwright-core.
const http = require('node:http');
const fs = require('node:fs');
const path = require('node:path');
const { chromium } = require('playwright-core');

const types = {
  '.html': 'text/html',
  '.js': 'text/javascript',
  '.css': 'text/css',
  '.json': 'application/json',
  '.wasm': 'application/wasm',
};

// Serves `folder` on 127.0.0.1 at a free port; resolves to {url, close}.
function serve(folder) {
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://127.0.0.1').pathname);
    const file = path.join(folder, name === '/' ? 'index.html' : path.normalize(name));
    if (!file.startsWith(folder) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, { 'Content-Type': types[path.extname(file)] ?? 'application/octet-stream' });
    fs.createReadStream(file).pipe(response);
  });
  return new Promise((resolve) => {
    server.listen(0, '127.0.0.1', () => {
      resolve({ url: `http://127.0.0.1:${server.address().port}/`, close: () => server.close() });
    });
  });
}

function launch() {
  return chromium.launch({
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    args: [
      '--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--no-first-run',
    ],
  });
}

// The program and input in the address's form (see playground/src/fragment.js).
function fragment(source, input = '') {
  const encode = (text) => Buffer.from(text, 'utf8').toString('base64url');
  return `#code=${encode(source)}${input ? `&input=${encode(input)}` : ''}`;
}

// Opens the page (with a program when given) and waits until its listing is drawn.
async function openPlayground(browser, url, source, input) {
  const page = await browser.newPage({ viewport: { width: 1400, height: 820 } });
  // Uncaught errors of the page's scripts, for the tests to check before they close it.
  page.scriptErrors = [];
  page.on('pageerror', (error) => page.scriptErrors.push(error.message));
  await page.goto(url + (source === undefined ? '' : fragment(source, input)));
  await page.waitForSelector('body[data-ready="true"]');
  await page.waitForSelector('[data-testid="listing"] .pg-item, [data-testid="listing"] .pg-cut');
  return page;
}

// One server of the page and one browser for a whole test file: started before its first test
// and closed after its last; `session.browser` and `session.server` are set by then.
function servePlayground(folder) {
  const test = require('node:test');
  const session = {};
  test.before(async () => {
    session.server = await serve(folder);
    session.browser = await launch();
  });
  test.after(async () => {
    await session.browser?.close();
    session.server?.close();
  });
  return session;
}

module.exports = { serve, launch, fragment, openPlayground, servePlayground };
