// What the playground's browser test files share: the console poliz to compare with, and the
// moves a user makes on the page (run, step, type) with the waits that go with them.
const assert = require('node:assert/strict');
const { spawnSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

// What the console interpreter prints for `source` with `input`.
function poliz(source, input = '') {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'playground-'));
  const file = path.join(dir, 'program.ppp');
  fs.writeFileSync(file, source);
  const result = spawnSync(process.env.POLIZ, [file], { input, encoding: 'utf8', timeout: 60000, maxBuffer: 1 << 28 });
  fs.rmSync(dir, { recursive: true });
  return { output: result.stdout, error: result.stderr.replace(/\n$/, ''), status: result.status };
}

const byTestId = (page, id) => page.locator(`[data-testid="${id}"]`);
const statusText = (page) => byTestId(page, 'status').textContent();

async function runAndWait(page, timeout = 30000) {
  await byTestId(page, 'run').click();
  await page.waitForFunction(() => /^Exit status/.test(document.querySelector('[data-testid="status"]').textContent), null, { timeout });
  return {
    output: await byTestId(page, 'output').textContent(),
    error: await byTestId(page, 'error').textContent(),
    status: Number((await statusText(page)).match(/^Exit status (\d+)/)[1]),
  };
}

// Clicks a step button (or presses its key) and waits until the worker has answered.
async function press(page, id, key) {
  const before = await statusText(page);
  if (key) await page.keyboard.press(key);
  else await byTestId(page, id).click();
  await page.waitForFunction(
    (old) => {
      const status = document.querySelector('[data-testid="status"]').textContent;
      return status.startsWith('Step mode') && (status !== old || !document.querySelector('[data-testid="run"]').disabled);
    },
    before,
  );
  await page.waitForFunction(() => !document.querySelector('[data-testid="run"]').disabled);
}

// Replaces the editor's whole text by typing, as a user would.
async function editorType(page, text) {
  await page.locator('.cm-content').click();
  await page.keyboard.press('Control+a');
  await page.keyboard.type(text);
}

// The editor's line, whether marked or not (marked lines also carry data-line).
const sourceLine = (page, line) => page.locator('.cm-line').nth(line - 1);

async function variables(page) {
  return page.$$eval('[data-testid="variables"] tbody tr[data-name]', (rows) =>
    Object.fromEntries(rows.map((row) => [row.dataset.name, { value: row.querySelector('.value').textContent, changed: row.classList.contains('changed') }])));
}

async function stackCells(page) {
  return page.$$eval('[data-testid="stack"] .pg-cell', (cells) =>
    cells.map((cell) => [...cell.children].map((part) => part.textContent).join(' ')));
}

async function closeClean(page) {
  assert.deepEqual(page.scriptErrors, []);
  await page.close();
}

module.exports = { poliz, byTestId, statusText, runAndWait, press, editorType, sourceLine, variables, stackCells, closeClean };
