// The playground in headless Chromium: every example prints what poliz prints, errors are shown
// and marked, step mode goes forward and back through a loop, Stop ends an endless loop, and the
// listing and the source point at each other. Needs PLAYGROUND (the built folder) and POLIZ.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { servePlayground, openPlayground } = require('./browser.cjs');
const { poliz, byTestId, runAndWait, press, editorType, sourceLine, variables, stackCells, closeClean } = require('./helpers.cjs');

const folder = path.resolve(process.env.PLAYGROUND);
const examples = JSON.parse(fs.readFileSync(path.join(folder, 'examples.json'), 'utf8'));

const session = servePlayground(folder);

test('every example prints exactly what poliz prints', { timeout: 240000 }, async () => {
  const page = await openPlayground(session.browser, session.server.url);
  const names = await byTestId(page, 'examples').locator('option').evaluateAll((options) => options.map((o) => o.value).filter(Boolean));
  assert.deepEqual(names, examples.map((e) => e.name));
  assert.ok(names.includes('proga1.ppp') && names.length >= 5);
  for (const example of examples) {
    await byTestId(page, 'examples').selectOption(example.name);
    assert.equal(await byTestId(page, 'input').inputValue(), example.input);
    const shown = await runAndWait(page);
    assert.deepEqual(shown, poliz(example.source, example.input), example.name);
  }
  await closeClean(page);
});

test('reading past the end of the input fails as in poliz', { timeout: 60000 }, async () => {
  const read = examples.find((e) => e.name === 'examples/read.ppp');
  const page = await openPlayground(session.browser, session.server.url, read.source, 'Ada\n3\n1\n');
  const shown = await runAndWait(page);
  const expected = poliz(read.source, 'Ada\n3\n1\n');
  assert.match(expected.error, /^Runtime error: /);
  assert.deepEqual(shown, expected);
  await closeClean(page);
});

test('nesting deeper than the browser\'s stack holds is reported, and the page runs on', { timeout: 60000 }, async () => {
  const programs = path.join(__dirname, '..', 'programs');
  const tooDeep = fs.readFileSync(path.join(programs, 'syntax/expressions/nesting_too_deep.ppp'), 'utf8');
  let page = await openPlayground(session.browser, session.server.url, tooDeep);
  assert.deepEqual(await runAndWait(page), poliz(tooDeep));
  await closeClean(page);

  // A thousand parentheses take more of the browser's own stack than it has (poliz takes them).
  const deep = fs.readFileSync(path.join(programs, 'ok/nesting/thousand_levels.ppp'), 'utf8');
  page = await openPlayground(session.browser, session.server.url, deep);
  assert.match(await byTestId(page, 'listing').textContent(), /No POLIZ: the browser's stack is too small/);
  await byTestId(page, 'run').click();
  await page.waitForFunction(() => /^Failed/.test(document.querySelector('[data-testid="status"]').textContent));
  assert.match(await byTestId(page, 'status').textContent(), /stack is too small for nesting this deep/);
  await editorType(page, 'program { write(2 + 3); }');
  const shown = await runAndWait(page);
  assert.equal(shown.status, 0);
  assert.match(shown.output, /5/);
  await closeClean(page);
});

test('an error is shown with its exact message, marked at its spot, with its hint', { timeout: 60000 }, async () => {
  const cases = [
    { source: 'program {\n    int a;\n    a = ;\n}\n', line: 3, mark: ';', hint: /operand .* is missing before ';'/ },      // syntax
    { source: 'program {\n    int a;\n    string s;\n\n    a = s;\n}\n', line: 5, mark: 's', hint: /cannot be assigned|string/ },  // semantic: at the value
    { source: 'program {\n    int a;\n    a = 1 # 2;\n}\n', line: 3, mark: '#', hint: /comments stand between/ },          // lexical
    { source: 'program {\n    int a;\n    a = 1;\n', line: 1, mark: '{', hint: /'}'/ },                             // the text ends early
    { source: 'program {\n    int a;\n    a = 1 / 0;\n}\n', line: 3, mark: '/', hint: /divided by zero/ },                 // runtime
  ];
  for (const { source, line, mark, hint } of cases) {
    const page = await openPlayground(session.browser, session.server.url, source);
    const shown = await runAndWait(page);
    assert.deepEqual(shown, poliz(source), source);
    assert.ok(shown.error.length > 0);
    const marked = await page.$$eval('.cm-line.pg-error-line', (lines) => lines.map((l) => Number(l.dataset.line)));
    assert.deepEqual(marked, [line], source);
    assert.equal(await page.locator('.pg-error-mark').textContent(), mark, source);
    assert.match(await byTestId(page, 'hint').textContent(), hint, source);
    await closeClean(page);
  }
});

const loop = [
  'program {',
  '    int i, s = 0;',
  '    for (i = 1; i <= 3; i = i + 1)',
  '        s = s + i;',
  '    write("sum ", s);',
  '}',
  '',
].join('\n');

test('step mode goes forward and back through a loop', { timeout: 120000 }, async () => {
  const page = await openPlayground(session.browser, session.server.url, loop);
  // The first item of the program: the temporary of i = 1 goes on the stack (temporaries start
  // at 0), then i, which has no value yet, and the constant.
  await press(page, 'step-item');
  assert.equal(await page.locator('[data-testid="listing"] .pg-current').getAttribute('data-address'), '1');
  assert.deepEqual(await stackCells(page), ['int $t1 0']);
  await press(page, 'step-item');
  await press(page, 'step-item');
  assert.deepEqual(await stackCells(page), ['int 1', 'int i ?', 'int $t1 0']);
  await press(page, 'step-item');  // "=": i = 1
  let vars = await variables(page);
  assert.deepEqual(vars.i, { value: '1', changed: true });
  assert.deepEqual(vars.s, { value: '0', changed: false });

  // To the body's line, which is line 4, three times: s grows by i each turn.
  await sourceLine(page, 4).click();
  for (const [i, s] of [['1', '0'], ['2', '1'], ['3', '3']]) {
    await press(page, 'run-to-line');
    assert.equal(await page.locator('.cm-line.pg-current-line').getAttribute('data-line'), '4');
    vars = await variables(page);
    assert.equal(vars.i.value, i);
    assert.equal(vars.s.value, s);
  }
  await press(page, 'step-line');
  vars = await variables(page);
  assert.deepEqual(vars.s, { value: '6', changed: true });

  // Back undoes one move at a time, variables and marks included.
  await press(page, 'step-back');
  vars = await variables(page);
  assert.equal(vars.s.value, '3');
  await press(page, 'step-back');
  vars = await variables(page);
  assert.deepEqual([vars.i.value, vars.s.value], ['2', '1']);
  assert.equal(await page.locator('.cm-line.pg-current-line').getAttribute('data-line'), '4');

  // On to the end: the output and the congratulations are poliz's.
  await sourceLine(page, 6).click();  // a line without items: the machine runs to the end
  await press(page, 'run-to-line');
  assert.match(await byTestId(page, 'status').textContent(), /finished/);
  assert.equal(await byTestId(page, 'output').textContent(), poliz(loop).output);

  await closeClean(page);
});

test('Stop ends an endless loop and the page runs on', { timeout: 60000 }, async () => {
  const page = await openPlayground(session.browser, session.server.url, 'program {\n    int i;\n    while (1) i = 1;\n}\n');
  await byTestId(page, 'run').click();
  await page.waitForTimeout(500);
  assert.equal(await byTestId(page, 'status').textContent(), 'Running...');
  assert.ok(await byTestId(page, 'run').isDisabled());
  await byTestId(page, 'stop').click();
  await page.waitForFunction(() => document.querySelector('[data-testid="status"]').textContent === 'Stopped.');
  assert.ok(await byTestId(page, 'stop').isDisabled());
  // The page answered while the loop ran, and a fresh machine runs the next program.
  await editorType(page, 'program { write(42); }');
  const shown = await runAndWait(page);
  assert.deepEqual(shown, poliz('program { write(42); }'));
  await closeClean(page);
});

test('the listing and the source share colours and point at each other', { timeout: 60000 }, async () => {
  const page = await openPlayground(session.browser, session.server.url, loop);
  const groups = await page.$$eval('[data-testid="listing"] .pg-group', (all) =>
    all.map((g) => ({ line: Number(g.dataset.line), colour: g.className.match(/pg-colour-\d/)[0] })));
  assert.deepEqual([...new Set(groups.map((g) => g.line))].sort(), [3, 4, 5]);
  for (const { line, colour } of groups) {
    assert.ok(await page.locator(`.cm-line[data-line="${line}"]`).evaluate((l, c) => l.classList.contains(c), colour));
  }
  assert.notEqual(groups.find((g) => g.line === 3).colour, groups.find((g) => g.line === 4).colour);

  // Pointing at a source line lights its items, and pointing at items lights their line.
  await sourceLine(page, 4).hover();
  assert.deepEqual(await page.$$eval('.pg-group.pg-linked', (all) => all.map((g) => g.dataset.line)), ['4']);
  await page.locator('[data-testid="listing"] .pg-group[data-line="5"] .pg-item').first().hover();
  assert.equal(await page.locator('.cm-line.pg-linked-line').getAttribute('data-line'), '5');

  // Selecting does the same and stays: the cursor's line in the editor, a group in the listing.
  await sourceLine(page, 5).click();
  assert.deepEqual(await page.$$eval('.pg-group.pg-selected', (all) => all.map((g) => g.dataset.line)), ['5']);
  await page.locator('[data-testid="listing"] .pg-group[data-line="4"] .pg-item').first().click();
  assert.equal(await page.locator('.cm-line.pg-selected-line').getAttribute('data-line'), '4');

  // Every label links to an item that exists; the loop's last jump goes back to its condition.
  const links = await page.$$eval('.pg-jump', (all) => all.map((a) => Number(a.dataset.target)));
  const count = await page.locator('[data-testid="listing"] .pg-item').count();
  assert.ok(links.length >= 3 && links.every((t) => t >= 0 && t <= count));
  const back = await page.$$eval('.pg-jump', (all) => all.filter((a) => Number(a.dataset.target) < Number(a.closest('.pg-item').dataset.address)).length);
  assert.ok(back >= 1);
  await page.locator('.pg-jump').first().hover();
  assert.equal(await page.locator('.pg-item.pg-target').count(), 1);
  await closeClean(page);
});

test('the address keeps the program, so that a link shares it', { timeout: 60000 }, async () => {
  const page = await openPlayground(session.browser, session.server.url, 'program { write(1); }', '7\n');
  assert.equal(await byTestId(page, 'input').inputValue(), '7\n');
  await page.locator('.cm-content').click();
  await page.keyboard.press('Control+End');
  await page.keyboard.type(' /* shared */');
  await page.waitForFunction(() => location.hash.length > 0 && atob(new URLSearchParams(location.hash.slice(1)).get('code').replace(/-/g, '+').replace(/_/g, '/')).includes('shared'));
  const again = await openPlayground(session.browser, session.server.url + (await page.evaluate(() => location.hash)));
  assert.equal(await again.evaluate(() => document.querySelector('.cm-content').innerText.trim()), 'program { write(1); } /* shared */');
  assert.equal(await byTestId(again, 'input').inputValue(), '7\n');
  await closeClean(again);
  await closeClean(page);
});
