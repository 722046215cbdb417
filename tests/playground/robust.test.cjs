// The playground whatever a program does or is fed: output streams while the program runs and
// stays after Stop; an endless writer is stopped at the output limit with a plain message; a
// failure of the module never reaches the page as "[object ...]" and leaves a fresh worker;
// sources and inputs of tens of MB are answered, NUL bytes included, as poliz answers them.
const test = require('node:test');
const assert = require('node:assert/strict');
const path = require('node:path');
const { servePlayground, openPlayground } = require('./browser.cjs');
const { poliz, byTestId, statusText, runAndWait, editorType, sourceLine, closeClean } = require('./helpers.cjs');

const folder = path.resolve(process.env.PLAYGROUND);
const session = servePlayground(folder);

// Loads the Input box from a file, as a user with megabytes of input would.
async function loadInput(page, text) {
  await byTestId(page, 'input-file').setInputFiles({ name: 'input.txt', mimeType: 'text/plain', buffer: Buffer.from(text) });
}

const slowWriter = [
  'program {',
  '    int i = 0, k;',
  '    while (1) {',
  '        k = 0;',
  '        while (k < 100000) k = k + 1;',
  '        write(i, " ");',
  '        i = i + 1;',
  '    }',
  '}',
  '',
].join('\n');

test('output streams while the program runs, and stays after Stop', { timeout: 60000 }, async () => {
  const page = await openPlayground(session.browser, session.server.url, slowWriter);
  await byTestId(page, 'run').click();
  await page.waitForFunction(() => document.querySelector('[data-testid="output"]').textContent.includes(' 3 '));
  // Sampled every 100 ms for a second: the output grows between nearly every two samples.
  const lengths = [];
  for (let k = 0; k < 10; ++k) {
    lengths.push((await byTestId(page, 'output').textContent()).length);
    await page.waitForTimeout(100);
  }
  const grew = lengths.filter((length, k) => k > 0 && length > lengths[k - 1]).length;
  assert.ok(grew >= 6, `the output grew only ${grew} times in 10 samples: ${lengths}`);
  assert.equal(await statusText(page), 'Running...');

  await byTestId(page, 'stop').click();
  await page.waitForFunction(() => document.querySelector('[data-testid="status"]').textContent === 'Stopped.');
  const kept = await byTestId(page, 'output').textContent();
  assert.match(kept, /^\nTotal congratulations! Your program has compiled successfully!\n0 1 2 3 /);
  assert.ok(kept.length >= lengths.at(-1));
  await page.waitForTimeout(300);
  assert.equal(await byTestId(page, 'output').textContent(), kept);
  await closeClean(page);
});

test('an endless writer stops at the output limit with a plain message, and the page runs on', { timeout: 120000 }, async () => {
  const page = await openPlayground(session.browser, session.server.url, 'program {\n    while (1) write("endless ");\n}\n');
  await byTestId(page, 'run').click();
  await page.waitForFunction(() => /^Stopped after 1 MB/.test(document.querySelector('[data-testid="status"]').textContent), null, { timeout: 60000 });
  const output = await byTestId(page, 'output').textContent();
  assert.equal(output.length, 1 << 20);
  assert.match(await byTestId(page, 'error').textContent(), /^Stopped: the program wrote more than 1 MB/);
  // The output box shows its last line.
  assert.ok(await byTestId(page, 'output').evaluate((box) => box.scrollTop + box.clientHeight >= box.scrollHeight - 2));
  assert.doesNotMatch(await page.locator('body').textContent(), /\[object/);

  // The same in step mode, run to the end (the closing brace's line, which has no items).
  await sourceLine(page, 3).click();
  await page.keyboard.press('Alt+C');
  await page.waitForFunction(() => /stopped after 1 MB/.test(document.querySelector('[data-testid="status"]').textContent), null, { timeout: 60000 });
  assert.match(await byTestId(page, 'error').textContent(), /^Stopped: the program wrote more than 1 MB/);

  await editorType(page, 'program { write(42); }');
  assert.deepEqual(await runAndWait(page), poliz('program { write(42); }'));
  await closeClean(page);
});

test('a module that fails in any way leaves a plain message and a fresh worker', { timeout: 60000 }, async () => {
  const page = await openPlayground(session.browser, session.server.url);
  // The worker answers a failure it cannot place with a message and asks to be replaced.
  const answer = await page.evaluate(() => new Promise((resolve) => {
    const worker = new Worker('worker.js');
    worker.onmessage = (event) => {
      resolve(event.data);
      worker.terminate();
    };
    worker.postMessage({ id: 1, name: 'noSuchFunction', args: [] });
  }));
  assert.equal(answer.restart, true);
  assert.equal(typeof answer.failure, 'string');
  assert.doesNotMatch(answer.failure, /\[object/);
  await closeClean(page);
});

// A program that reads `count` numbers and writes their sum, and an input of about `bytes`.
function summing(bytes) {
  const number = '1234567\n';
  const count = Math.floor(bytes / number.length);
  return {
    source: 'program {\n    int n, i, x, s = 0;\n    read(n);\n    for (i = 0; i < n; i = i + 1) {\n        read(x);\n        s = (s + x) / 2;\n    }\n    write(s);\n}\n',
    input: `${count}\n${number.repeat(count)}`,
  };
}

test('a 20 MB input and a 20 MB source are answered as poliz answers them', { timeout: 300000 }, async () => {
  const { source, input } = summing(20 * 1024 * 1024);
  const page = await openPlayground(session.browser, session.server.url, source);
  await loadInput(page, input);
  await page.waitForFunction(() => !document.querySelector('[data-testid="input-large"]').hidden);
  assert.match(await byTestId(page, 'input-large').textContent(), /A large input: 20\.0 MB in 2,621,441 lines/);
  assert.deepEqual(await runAndWait(page, 120000), poliz(source, input));
  // The last line break is left: a number read stops before it.
  assert.match(await byTestId(page, 'input-used').textContent(), /^Read so far: 20971527 of 20971528 bytes/);
  // Step mode reads it too.
  await byTestId(page, 'step-line').click();
  await page.waitForFunction(() => /^Step mode: item/.test(document.querySelector('[data-testid="status"]').textContent), null, { timeout: 60000 });

  const big = `program {\n    /* ${'a comment that goes on '.repeat(900000)} */\n    write("after the comment");\n}\n`;
  assert.ok(big.length > 20 * 1000 * 1000);
  await byTestId(page, 'input-clear').click();
  assert.equal(await byTestId(page, 'input').isVisible(), true);
  // Pasted, as a user would bring so large a program.
  await page.context().grantPermissions(['clipboard-read', 'clipboard-write']);
  await page.evaluate((text) => navigator.clipboard.writeText(text), big);
  await page.locator('.cm-content').click();
  await page.keyboard.press('Control+a');
  await page.keyboard.press('Control+v');
  await page.waitForFunction(() => /after the comment/.test(document.querySelector('[data-testid="listing"]').textContent), null, { timeout: 120000 });
  assert.deepEqual(await runAndWait(page, 120000), poliz(big));
  // The address cannot hold so much: Share says so instead of failing.
  await byTestId(page, 'share').click();
  await page.waitForFunction(() => /too large to share/.test(document.querySelector('[data-testid="status"]').textContent));
  await closeClean(page);
});

test('NUL bytes in the source and the input are read as poliz reads them', { timeout: 60000 }, async () => {
  const cases = [
    { source: 'program {\n    string s;\n    read(s);\n    write("[", s, "]");\n}\n', input: 'a\0b\nnext\n' },
    { source: 'program {\n    write("a\0b");\n}\n', input: '' },
    { source: 'program {\n    /* \0 */ write(1);\n}\n', input: '' },
    { source: 'program {\n    write(1);\0\n}\n', input: '' },
  ];
  for (const { source, input } of cases) {
    const page = await openPlayground(session.browser, session.server.url, source, input);
    assert.deepEqual(await runAndWait(page), poliz(source, input), JSON.stringify(source));
    await closeClean(page);
  }
});
