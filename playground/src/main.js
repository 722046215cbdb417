// The playground page: wires the editor, the listing, the run and step controls and the
// examples to the WebAssembly build of poliz, which runs in a Web Worker.
import { createEditor } from './editor.js';
import { lineColours } from './colours.js';
import { linkLine, markCurrent, markTarget, renderListing } from './listing.js';
import { MachineClient, StoppedError } from './machineClient.js';
import { readFragment, writeFragment } from './fragment.js';
import { renderStack, renderVariables } from './stepView.js';

const byTestId = (id) => document.querySelector(`[data-testid="${id}"]`);
const ui = {
  examples: byTestId('examples'),
  input: byTestId('input'),
  run: byTestId('run'),
  stop: byTestId('stop'),
  stepItem: byTestId('step-item'),
  stepLine: byTestId('step-line'),
  stepBack: byTestId('step-back'),
  runToLine: byTestId('run-to-line'),
  stepExit: byTestId('step-exit'),
  output: byTestId('output'),
  error: byTestId('error'),
  hint: byTestId('hint'),
  status: byTestId('status'),
  listing: byTestId('listing'),
  stack: byTestId('stack'),
  variables: byTestId('variables'),
};

// Runs and step mode share one worker, the listing has its own: a long run does not hold it up.
const runner = new MachineClient('worker.js');
const translator = new MachineClient('worker.js');

let stepping = false;
let canGoBack = false;
let colours = new Map();
let translateTimer = 0;
let fragmentTimer = 0;

const editor = createEditor(document.getElementById('editor'), {
  text: '',
  onChange: () => {
    leaveStepMode();
    editor.mark({ error: null });
    clearTimeout(translateTimer);
    translateTimer = setTimeout(translate, 250);
    saveLater();
  },
  onPointLine: (line) => linkLine(ui.listing, line),
  onCursorLine: (line) => {
    for (const node of ui.listing.querySelectorAll('.pg-selected')) node.classList.remove('pg-selected');
    for (const node of ui.listing.querySelectorAll(`.pg-group[data-line="${line}"]`)) node.classList.add('pg-selected');
  },
});

function saveLater() {
  clearTimeout(fragmentTimer);
  fragmentTimer = setTimeout(() => writeFragment(editor.text(), ui.input.value), 200);
}

function setStatus(text) {
  ui.status.textContent = text;
}

// The error's message exactly as poliz prints it, its hint, and its place in the editor. A
// translation error without a line (the text ended early) is marked on the last line that is
// not blank; a runtime error on the line of the item that failed, when it was found.
function showError(reply) {
  ui.error.textContent = (reply.error ?? '').replace(/\n$/, '');
  ui.error.hidden = !reply.error;
  ui.hint.textContent = reply.hint ?? '';
  ui.hint.hidden = !reply.hint;
  const translation = reply.status >= 1 && reply.status <= 3;
  if (!reply.error || !(translation || reply.errorLine > 0)) {
    editor.mark({ error: null });
    return;
  }
  const line = reply.errorLine > 0 ? reply.errorLine : lastTextLine();
  editor.mark({ error: { line, column: reply.errorColumn ?? 0 } });
  editor.reveal(line);
}

function lastTextLine() {
  const doc = editor.view.state.doc;
  let line = doc.lines;
  while (line > 1 && doc.line(line).text.trim() === '') --line;
  return line;
}

async function translate() {
  const source = editor.text();
  let reply;
  try {
    reply = await translator.call('playgroundTranslate', source);
  } catch (error) {
    if (error instanceof StoppedError || source !== editor.text()) return;
    reply = { status: -1, error: error.message };
  }
  if (source !== editor.text()) return;  // edited meanwhile: a newer request follows
  if (reply.status !== 0) {
    colours = new Map();
    ui.listing.replaceChildren(Object.assign(document.createElement('div'), {
      className: 'pg-cut',
      textContent: `No POLIZ: ${reply.error.trim()}`,
    }));
    editor.mark({ colours });
    return;
  }
  colours = lineColours(reply.items);
  renderListing(ui.listing, reply.items, source, colours);
  editor.mark({ colours });
}

function setRunning(running) {
  ui.run.disabled = running;
  ui.stop.disabled = !running;
  for (const button of [ui.stepItem, ui.stepLine, ui.runToLine]) button.disabled = running;
  ui.stepBack.disabled = running || !stepping || !canGoBack;
}

async function run() {
  leaveStepMode();
  ui.output.textContent = '';
  showError({});
  setStatus('Running...');
  setRunning(true);
  try {
    const reply = await runner.call('playgroundRun', editor.text(), ui.input.value);
    ui.output.textContent = reply.output;
    showError(reply);
    setStatus(`Exit status ${reply.status} (${reply.milliseconds.toFixed(0)} ms)`);
  } catch (error) {
    setStatus(error instanceof StoppedError ? 'Stopped.' : `Failed: ${error.message}`);
  } finally {
    setRunning(false);
  }
}

function stop() {
  runner.stop();
  leaveStepMode();
}

function leaveStepMode() {
  if (!stepping) return;
  stepping = false;
  canGoBack = false;
  document.body.classList.remove('stepping');
  editor.mark({ current: 0 });
  markCurrent(ui.listing, -1);
  ui.stepBack.disabled = true;
  ui.stepExit.disabled = true;
}

function showMachine(state) {
  ui.output.textContent = state.output;
  showError(state);
  renderStack(ui.stack, state.stack);
  renderVariables(ui.variables, state.variables);
  markCurrent(ui.listing, state.finished ? -1 : state.pc);
  editor.mark({ current: state.finished ? 0 : state.line });
  if (!state.finished) editor.reveal(state.line);
  canGoBack = state.canGoBack;
  if (state.status !== 0) setStatus(`Step mode: stopped by an error at item ${state.pc}`);
  else if (state.finished) setStatus('Step mode: the program has finished');
  else setStatus(`Step mode: item ${state.pc}, line ${state.line}`);
}

// A move in step mode (0 item, 1 line, 2 back, 3 to the cursor's line); the first one starts it.
async function step(move) {
  setRunning(true);
  try {
    if (!stepping) {
      if (move === 2) return;
      const start = await runner.call('playgroundStepStart', editor.text(), ui.input.value);
      if (start.pc === undefined) {
        ui.output.textContent = start.output;
        showError(start);
        setStatus(`Exit status ${start.status}`);
        return;
      }
      stepping = true;
      document.body.classList.add('stepping');
      ui.stepExit.disabled = false;
    }
    showMachine(await runner.call('playgroundStep', move, editor.cursorLine()));
  } catch (error) {
    setStatus(error instanceof StoppedError ? 'Stopped.' : `Failed: ${error.message}`);
  } finally {
    setRunning(false);
  }
}

function linkListingToSource() {
  ui.listing.addEventListener('mouseover', (event) => {
    const jump = event.target.closest('.pg-jump');
    markTarget(ui.listing, jump ? Number(jump.dataset.target) : -1);
    const group = event.target.closest('.pg-group');
    editor.mark({ linked: group ? Number(group.dataset.line) : 0 });
  });
  ui.listing.addEventListener('mouseleave', () => {
    markTarget(ui.listing, -1);
    editor.mark({ linked: 0 });
  });
  ui.listing.addEventListener('click', (event) => {
    const jump = event.target.closest('.pg-jump');
    if (jump) {
      event.preventDefault();
      const target = document.getElementById(`item-${jump.dataset.target}`);
      target?.scrollIntoView({ block: 'center' });
      markTarget(ui.listing, Number(jump.dataset.target));
      return;
    }
    const group = event.target.closest('.pg-group');
    if (!group) return;
    const line = Number(group.dataset.line);
    editor.mark({ selected: line });
    editor.reveal(line);
  });
}

async function loadExamples() {
  const examples = await (await fetch('examples.json')).json();
  for (const example of examples) ui.examples.append(new Option(example.name, example.name));
  ui.examples.addEventListener('change', () => {
    const example = examples.find((e) => e.name === ui.examples.value);
    if (!example) return;
    ui.input.value = example.input;
    editor.setText(example.source);
  });
  return examples;
}

async function main() {
  ui.run.addEventListener('click', run);
  ui.stop.addEventListener('click', stop);
  ui.stepItem.addEventListener('click', () => step(0));
  ui.stepLine.addEventListener('click', () => step(1));
  ui.stepBack.addEventListener('click', () => step(2));
  ui.runToLine.addEventListener('click', () => step(3));
  ui.stepExit.addEventListener('click', leaveStepMode);
  ui.input.addEventListener('input', () => {
    leaveStepMode();
    saveLater();
  });
  document.addEventListener('keydown', (event) => {
    if (event.key === 'Enter' && (event.ctrlKey || event.metaKey)) {
      event.preventDefault();
      if (!ui.run.disabled) run();
    }
  });
  linkListingToSource();
  setRunning(false);
  ui.stepExit.disabled = true;

  const examples = await loadExamples();
  const shared = readFragment();
  const first = shared ?? examples[0];
  ui.input.value = first.input;
  editor.setText(first.source);
  if (!shared) ui.examples.value = first.name;
  document.body.dataset.ready = 'true';
}

main();
