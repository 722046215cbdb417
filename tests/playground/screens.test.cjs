// The playground at 800, 1024 and 1400 px wide, in step mode with a program of strings: every
// panel keeps a readable size, no text of the listing is squeezed or cut, the page never needs
// sideways scrolling, and the output box shows its last line. With SCREENSHOTS set, a picture
// of each width is saved there (screenshot-WIDTH.png), as the README shows them.
const test = require('node:test');
const assert = require('node:assert/strict');
const path = require('node:path');
const { servePlayground, openPlayground } = require('./browser.cjs');
const { byTestId, press, sourceLine, closeClean } = require('./helpers.cjs');

const folder = path.resolve(process.env.PLAYGROUND);
const session = servePlayground(folder);

const program = [
  'program {',
  '    string name = "a learner with a rather long name";',
  '    int i, total = 0;',
  '    for (i = 1; i <= 30; i = i + 1) {',
  '        total = total + i;',
  '        write("line ", i, ": the running total is ", total, "',  // a string may hold a line break
  '");',
  '    }',
  '    write("Goodbye, ", name);',
  '}',
  '',
].join('\n');

async function box(locator) {
  const { width, height } = await locator.boundingBox();
  return { width, height };
}

for (const width of [800, 1024, 1400]) {
  test(`every panel stays readable at ${width} px`, { timeout: 120000 }, async () => {
    const page = await openPlayground(session.browser, session.server.url, program);
    await page.setViewportSize({ width, height: 820 });
    await byTestId(page, 'run').click();
    await page.waitForFunction(() => /^Exit status 0/.test(document.querySelector('[data-testid="status"]').textContent));
    const output = byTestId(page, 'output');
    const sizes = await output.evaluate((o) => [o.scrollHeight, o.clientHeight]);
    assert.ok(sizes[0] > sizes[1], `the output should need scrolling here: ${sizes}`);
    assert.ok(await output.evaluate((o) => o.scrollTop + o.clientHeight >= o.scrollHeight - 2), 'the last line is in view');

    await sourceLine(page, 5).click();
    await press(page, 'run-to-line');
    await press(page, 'run-to-line');
    await press(page, 'step-item');

    assert.ok(await page.evaluate(() => document.documentElement.scrollWidth <= window.innerWidth), 'no sideways scrolling');
    const minimumWidths = { source: 250, listing: 250, output: 250, input: 250, stack: 150, variables: 150 };
    for (const [id, minimum] of Object.entries(minimumWidths)) {
      const size = await box(byTestId(page, id));
      assert.ok(size.width >= minimum, `${id} is ${size.width} px wide at ${width}`);
      assert.ok(size.height >= 30, `${id} is ${size.height} px high at ${width}`);
    }
    // Every text of the listing has room, and none is cut: long strings wrap.
    const texts = await page.$$eval('[data-testid="listing"] .pg-item .text', (all) =>
      all.map((t) => ({ text: t.textContent, width: t.clientWidth, cut: t.scrollWidth > t.clientWidth + 1 })));
    assert.ok(texts.length > 20);
    for (const t of texts) {
      assert.ok(t.width >= 40, `"${t.text}" has ${t.width} px at ${width}`);
      assert.equal(t.cut, false, `"${t.text}" is cut at ${width}`);
    }
    const names = await page.$$eval('[data-testid="variables"] tbody tr[data-name] .name', (all) => all.map((n) => n.textContent));
    assert.deepEqual(names.sort(), ['i', 'name', 'total']);

    if (process.env.SCREENSHOTS) {
      await page.mouse.move(0, 0);
      await page.screenshot({ path: path.join(process.env.SCREENSHOTS, `screenshot-${width}.png`), fullPage: width < 900 });
    }
    await closeClean(page);
  });
}
