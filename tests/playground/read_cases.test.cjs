// "read" in the WebAssembly build, loaded into Node.js as the page's worker loads it: every case
// of tests/input/read_cases.txt gives the value and leaves the rest the file says, and exactly
// what the console poliz gives for the same program and input, in a run and in step mode. Needs WASM (the folder holding
// poliz.js and poliz.wasm) and POLIZ (the console interpreter).
const test = require('node:test');
const assert = require('node:assert/strict');
const { spawnSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { isDeepStrictEqual } = require('node:util');
const { callPolizModule } = require('../../playground/src/moduleCalls.js');

const casesFile = path.join(__dirname, '..', 'input', 'read_cases.txt');
const compiled = '\nTotal congratulations! Your program has compiled successfully!\n';

// TYPE|INPUT|RESULT|REST lines, \n and \s spelt out in INPUT and REST.
function readCases() {
  const unescape = (text) => text.replace(/\\([nsrt])/g, (_, c) => ({ n: '\n', s: ' ', r: '\r', t: '\t' })[c]);
  return fs
    .readFileSync(casesFile, 'utf8')
    .split('\n')
    .filter((line) => line !== '' && !line.startsWith('#'))
    .map((line) => {
      const [type, input, result, rest = ''] = line.split('|');
      return { type, input: unescape(input), result, rest: unescape(rest) };
    });
}

// Writes the value, then reads strings until the input ends, writing each after a bar. The
// string reads see exactly the rest of the input (there is no other way for a program to see
// it), and the closing end-of-input error for 's' shows that the number took nothing more.
function programFor(type) {
  return `program { ${type} x; string s; read(x); write(x); while (1) { read(s); write("|", s); } }`;
}

// What the case says the run gives, in the form the module replies with.
function expected(c) {
  const failure = (fault, name) => ({ status: 4, error: `Runtime error: ${fault} for '${name}'!\n` });
  if (c.result === 'INVALID') return { output: compiled, ...failure('Invalid input', 'x') };
  if (c.result === 'END') return { output: compiled, ...failure('Unexpected end of input', 'x') };
  // A string read skips empty lines and takes each other line whole.
  const lines = c.rest.split('\n').filter((line) => line !== '');
  const written = c.result + lines.map((line) => `|${line}`).join('');
  return { output: compiled + written, ...failure('Unexpected end of input', 's') };
}

function runConsole(source, input) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'read-cases-'));
  try {
    const file = path.join(dir, 'program.ppp');
    fs.writeFileSync(file, source);
    const result = spawnSync(process.env.POLIZ, [file], { input, encoding: 'utf8', timeout: 60000 });
    return { output: result.stdout, error: result.stderr, status: result.status };
  } finally {
    fs.rmSync(dir, { recursive: true });
  }
}

// The module built for the page's worker, given its binary directly rather than fetching it.
async function loadModule() {
  const folder = path.resolve(process.env.WASM);
  const createPolizModule = require(path.join(folder, 'poliz.js'));
  const polizModule = await createPolizModule({ wasmBinary: fs.readFileSync(path.join(folder, 'poliz.wasm')) });
  const call = (name, args) => callPolizModule(polizModule, name, args);
  const outcome = ({ output, error, status }) => ({ output, error, status });
  return {
    run: (source, input) => outcome(call('playgroundRun', [source, input])),
    // Step mode, on the reference machine, run through to the end: to a line past the last,
    // which it never enters.
    step: (source, input) => {
      call('playgroundStepStart', [source, input]);
      return outcome(call('playgroundStep', [3, 1000000]));
    },
  };
}

const describe = (c) => `${c.type} read of ${JSON.stringify(c.input)}`;

test('the WebAssembly build reads every case as the file says and as the console poliz does, in a run and in step mode', async () => {
  const cases = readCases();
  assert.ok(cases.length > 40, `only ${cases.length} cases in ${casesFile}`);
  const module = await loadModule();
  const differences = [];
  for (const c of cases) {
    const source = programFor(c.type);
    const browser = module.run(source, c.input);
    const stepped = module.step(source, c.input);
    const native = runConsole(source, c.input);
    const want = expected(c);
    if (!isDeepStrictEqual(browser, want)) differences.push({ case: describe(c), browser, expected: want });
    if (!isDeepStrictEqual(browser, native)) differences.push({ case: describe(c), browser, console: native });
    if (!isDeepStrictEqual(stepped, browser)) differences.push({ case: describe(c), browser, stepped });
  }
  assert.deepEqual(differences, []);
});
