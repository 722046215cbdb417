// The playground's controls for learners: a runtime error marks its item, and in step mode the
// stack keeps the operands it failed on; the variables put the program's own first; run to
// the cursor's line; hints speak of the Input box; a missing ';' is marked at the end of its
// line and the page says why the message names another line; Share, the keyboard shortcuts
// and their tooltips; the examples menu shows an edited example; the input read so far.
const test = require('node:test');
const assert = require('node:assert/strict');
const path = require('node:path');
const { servePlayground, openPlayground } = require('./browser.cjs');
const { poliz, byTestId, statusText, runAndWait, press, editorType, sourceLine, variables, stackCells, closeClean } = require('./helpers.cjs');

const folder = path.resolve(process.env.PLAYGROUND);
const session = servePlayground(folder);

const failing = 'program {\n    int a, b = 0;\n    write("x");\n    a = 7 / b;\n}\n';

test('a runtime error marks its item; in step mode the stack keeps its operands', { timeout: 60000 }, async () => {
  const page = await openPlayground(session.browser, session.server.url, failing);
  const shown = await runAndWait(page);
  assert.deepEqual(shown, poliz(failing));
  const failed = await page.locator('[data-testid="listing"] .pg-failed').getAttribute('data-address');
  assert.equal(await page.locator(`#item-${failed} .text`).textContent(), '/');

  await sourceLine(page, 5).click();
  await press(page, 'run-to-line');
  assert.match(await statusText(page), new RegExp(`^Step mode: stopped by an error at item ${failed}$`));
  assert.equal(await page.locator('[data-testid="listing"] .pg-failed').getAttribute('data-address'), failed);
  assert.deepEqual(await stackCells(page), ['int b 0', 'int 7', 'int a ?', 'int $t2 0']);
  assert.equal(await byTestId(page, 'output').textContent(), poliz(failing).output);
  await press(page, 'step-back');
  assert.equal(await page.locator('[data-testid="listing"] .pg-failed').count(), 0);
  await closeClean(page);
});

const loop = [
  'program {',
  '    int i, s = 0;',
  '',
  '    for (i = 1; i <= 3; i = i + 1)',
  '        s = s + i;',
  '    write("sum ", s);',
  '}',
  '',
].join('\n');

test('variables: the named ones first, temporaries folded; run to a line arrives each time', { timeout: 60000 }, async () => {
  const page = await openPlayground(session.browser, session.server.url, loop);
  await sourceLine(page, 3).click();  // blank: the next line with items is the loop's
  await press(page, 'run-to-line');
  assert.equal(await page.locator('.cm-line.pg-current-line').getAttribute('data-line'), '4');
  const rows = () => page.$$eval('[data-testid="variables"] tbody tr[data-name]', (all) => all.map((r) => r.dataset.name));
  assert.deepEqual(await rows(), ['i', 's']);
  assert.match(await byTestId(page, 'temporaries').textContent(), /\d+ temporaries/);
  await byTestId(page, 'temporaries').click();
  const unfolded = await rows();
  assert.deepEqual(unfolded.slice(0, 2), ['i', 's']);
  assert.ok(unfolded.length > 2 && unfolded.slice(2).every((name) => name.startsWith('$t')), String(unfolded));
  await sourceLine(page, 5).click();
  for (const s of ['0', '1', '3']) {
    await press(page, 'run-to-line');
    assert.equal((await variables(page)).s.value, s);
  }
  assert.deepEqual(await rows(), unfolded);  // stays unfolded
  await byTestId(page, 'temporaries').click();
  assert.deepEqual(await rows(), ['i', 's']);
  await closeClean(page);
});

test('hints speak of the Input box, and the input read so far is marked', { timeout: 60000 }, async () => {
  const source = 'program {\n    int a, b;\n    read(a);\n    read(b);\n    write(a + b);\n}\n';
  const page = await openPlayground(session.browser, session.server.url, source, '12\n');
  const shown = await runAndWait(page);
  assert.deepEqual(shown, poliz(source, '12\n'));
  const hint = await byTestId(page, 'hint').textContent();
  assert.match(hint, /Input box/);
  assert.doesNotMatch(hint, /echo|\||standard input/);

  await byTestId(page, 'input').fill('12\n30\n');
  await press(page, 'step-line');  // read(a): the int stops before the line break
  assert.match(await byTestId(page, 'input-used').textContent(), /Read so far: 2 of 6 bytes/);
  assert.equal(await byTestId(page, 'input-used').locator('mark').textContent(), '12');
  await press(page, 'step-line');
  assert.match(await byTestId(page, 'input-used').textContent(), /Read so far: 5 of 6 bytes/);
  await press(page, 'step-back');
  assert.match(await byTestId(page, 'input-used').textContent(), /Read so far: 2 of 6 bytes/);
  await closeClean(page);
});

test('a missing ; is marked at the end of its line, and the page says why the lines differ', { timeout: 60000 }, async () => {
  const source = 'program {\n    int a;\n    a = 1\n    write(a);\n}\n';
  const page = await openPlayground(session.browser, session.server.url, source);
  const shown = await runAndWait(page);
  assert.deepEqual(shown, poliz(source));
  const marked = await page.$$eval('.cm-line.pg-error-line', (lines) => lines.map((l) => Number(l.dataset.line)));
  assert.deepEqual(marked, [3]);
  const mark = page.locator('.cm-line[data-line="3"] .pg-error-eol');
  assert.ok(await mark.isVisible());
  assert.ok((await mark.boundingBox()).width >= 4);
  assert.match(await byTestId(page, 'line-note').textContent(), /names line 4.*line 3/);
  await closeClean(page);
});

test('Share copies the link; keyboard shortcuts work and tooltips name them; the examples menu shows an edit', { timeout: 60000 }, async () => {
  const page = await openPlayground(session.browser, session.server.url);
  await page.context().grantPermissions(['clipboard-read', 'clipboard-write']);
  const picked = await byTestId(page, 'examples').inputValue();
  assert.equal(await byTestId(page, 'examples').locator('option:checked').textContent(), picked);

  await editorType(page, 'program { int a = 1; write(a + 1); }');
  assert.equal(await byTestId(page, 'examples').locator('option:checked').textContent(), `${picked} (edited)`);
  await byTestId(page, 'share').click();
  await page.waitForFunction(() => /^Link copied/.test(document.querySelector('[data-testid="status"]').textContent));
  const link = await page.evaluate(() => navigator.clipboard.readText());
  const shared = await openPlayground(session.browser, link);
  assert.equal(await shared.evaluate(() => document.querySelector('.cm-content').innerText.trim()), 'program { int a = 1; write(a + 1); }');
  await closeClean(shared);

  for (const [id, key] of [['run', 'Ctrl+Enter'], ['stop', 'Escape'], ['step-item', 'Alt+S'], ['step-line', 'Alt+N'], ['step-back', 'Alt+B']])
    assert.match(await byTestId(page, id).getAttribute('title'), new RegExp(`\\(${key.replace('+', '\\+')}\\)$`), id);

  // Ctrl+Enter in the editor runs rather than breaking the line.
  await page.locator('.cm-content').click();
  await page.keyboard.press('Control+Enter');
  await page.waitForFunction(() => /^Exit status 0/.test(document.querySelector('[data-testid="status"]').textContent));
  assert.match(await byTestId(page, 'output').textContent(), /2/);
  assert.equal(await page.locator('.cm-line').count(), 1);

  await press(page, null, 'Alt+S');
  await press(page, null, 'Alt+S');
  assert.match(await statusText(page), /^Step mode: item 2/);
  await press(page, null, 'Alt+B');
  assert.match(await statusText(page), /^Step mode: item 1/);

  // Escape stops a run.
  await editorType(page, 'program { while (1) {} }');
  await page.keyboard.press('Control+Enter');
  await page.waitForFunction(() => document.querySelector('[data-testid="status"]').textContent === 'Running...');
  await page.keyboard.press('Escape');
  await page.waitForFunction(() => document.querySelector('[data-testid="status"]').textContent === 'Stopped.');

  // Choosing the example again takes the edit away.
  await byTestId(page, 'examples').selectOption(picked);
  assert.equal(await byTestId(page, 'examples').locator('option:checked').textContent(), picked);
  await closeClean(page);
});
