// The playground's WebAssembly build against the native poliz on the programs of bench/: each
// translated and run by the same entry point, in headless Chromium's Web Worker and natively;
// best of RUNS wall-clock times, outputs compared. Usage (make bench-playground):
//   NODE_PATH=BUILD/playground-npm/node_modules node bench/playground.cjs BUILD/playground BUILD/poliz
const { spawnSync } = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
const { serve, launch } = require('../tests/playground/browser.cjs');

const [folder, poliz] = process.argv.slice(2).map((p) => path.resolve(p));
const runs = Number(process.env.RUNS ?? 3);
const programs = path.join(__dirname, 'programs');

function native(file) {
  let best = Infinity;
  let output = '';
  for (let k = 0; k < runs; ++k) {
    const started = process.hrtime.bigint();
    const result = spawnSync(poliz, [file], { encoding: 'utf8', maxBuffer: 1 << 28 });
    best = Math.min(best, Number(process.hrtime.bigint() - started) / 1e6);
    output = result.stdout;
  }
  return { best, output };
}

async function main() {
  const server = await serve(folder);
  const browser = await launch();
  const page = await browser.newPage();
  await page.goto(server.url);
  // A worker of its own, as the page's Run uses it; its reply carries the time the call took.
  await page.evaluate(() => {
    window.benchWorker = new Worker('worker.js');
    window.benchRun = (source) => new Promise((resolve) => {
      window.benchWorker.onmessage = (event) => resolve(event.data.reply);
      window.benchWorker.postMessage({ id: 1, name: 'playgroundRun', args: [source, ''] });
    });
  });
  console.log('| program | native poliz (ms) | WebAssembly (ms) | ratio |');
  console.log('|---|---:|---:|---:|');
  const ratios = [];
  for (const name of fs.readdirSync(programs).filter((n) => n.endsWith('.ppp')).sort()) {
    const file = path.join(programs, name);
    const source = fs.readFileSync(file, 'utf8');
    const mine = native(file);
    let best = Infinity;
    for (let k = 0; k < runs; ++k) {
      const reply = await page.evaluate((text) => window.benchRun(text), source);
      if (reply.output !== mine.output) throw new Error(`${name}: the outputs differ`);
      best = Math.min(best, reply.milliseconds);
    }
    ratios.push(best / mine.best);
    console.log(`| ${name} | ${mine.best.toFixed(0)} | ${best.toFixed(0)} | ${(best / mine.best).toFixed(2)} |`);
  }
  const mean = Math.exp(ratios.reduce((sum, r) => sum + Math.log(r), 0) / ratios.length);
  console.log(`| geometric mean | | | ${mean.toFixed(2)} |`);
  await browser.close();
  server.close();
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
