// The playground page: wires the editor, the listing, the run and step controls and the
// examples to the WebAssembly build of poliz, which runs in a Web Worker.
import { createEditor } from './editor.js';
import { lineColours } from './colours.js';
import { linkLine, markCurrent, markFailed, markTarget, renderListing } from './listing.js';
import { MachineClient, StoppedError } from './machineClient.js';
import { readFragment, writeFragment } from './fragment.js';
import { renderStack, renderVariables } from './stepView.js';
import { bindShortcuts } from './shortcuts.js';
import { showInputUsed } from './inputView.js';
import { InputBox } from './inputBox.js';

const byTestId = (id) => document.querySelector(`[data-testid="${id}"]`);
const ui = {
  examples: byTestId('examples'),
  inputArea: byTestId('input'),
  inputLarge: byTestId('input-large'),
  inputFile: byTestId('input-file'),
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
  share: byTestId('share'),
  lineNote: byTestId('line-note'),
  inputUsed: byTestId('input-used'),
  listing: byTestId('listing'),
  stack: byTestId('stack'),
  variables: byTestId('variables'),
};

const inputBox = new InputBox(ui.inputArea, ui.inputLarge, () => {
  leaveStepMode();
  showInputUsed(ui.inputUsed, '', -1);
  showExampleEdited();
  saveLater();
});

// Runs and step mode share one worker, the listing has its own: a long run does not hold it up.
const runner = new MachineClient('worker.js');
const translator = new MachineClient('worker.js');

let stepping = false;
let canGoBack = false;
let colours = new Map();
let translateTimer = 0;
let fragmentTimer = 0;
let examples = [];

// The largest source or input the page takes, in bytes of UTF-8 (the module's memory holds
// several copies of each while it runs).
const maxTextBytes = 32 * 1024 * 1024;
const maxTextLabel = '32 MB';
const encoder = new TextEncoder();

const editor = createEditor(document.getElementById('editor'), {
  text: '',
  onChange: () => {
    leaveStepMode();
    showExampleEdited();
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
  fragmentTimer = setTimeout(() => writeFragment(editor.text(), inputBox.value), 200);
}

// The link to this program and its input, copied for the user to paste.
async function share() {
  clearTimeout(fragmentTimer);
  if (!writeFragment(editor.text(), inputBox.value)) {
    setStatus('This program and its input are too large to share as a link.');
    return;
  }
  try {
    await navigator.clipboard.writeText(location.href);
    setStatus('Link copied: pasting it opens this program and its input.');
  } catch {
    // Without the clipboard (an insecure page, a denied permission) the link is offered to copy.
    window.prompt('Copy this link:', location.href);
  }
}

// The examples menu says when the editor no longer holds the example chosen.
function showExampleEdited() {
  const option = ui.examples.selectedOptions[0];
  const example = examples.find((e) => e.name === ui.examples.value);
  if (!option || !example) return;
  const edited = editor.text() !== example.source || inputBox.value !== example.input;
  option.textContent = edited ? `${example.name} (edited)` : example.name;
  ui.examples.classList.toggle('pg-edited', edited);
  ui.examples.title = edited ? 'The program or its input has been changed since this example was loaded' : '';
}

// Whether a text is small enough for the module; if not, says so as the error.
function fitsTheModule(what, text) {
  if (text.length * 3 <= maxTextBytes || encoder.encode(text).length <= maxTextBytes) return true;
  showError({ status: -1, error: `The ${what} is larger than ${maxTextLabel}, the most the playground takes: the console poliz runs it.` });
  setStatus('Not run.');
  return false;
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
  ui.hint.textContent = reply.hint ? `Hint: ${reply.hint}` : '';
  ui.hint.hidden = !reply.hint;
  ui.lineNote.hidden = true;
  markFailed(ui.listing, reply.error && reply.errorItem >= 0 ? reply.errorItem : -1);
  const translation = reply.status >= 1 && reply.status <= 3;
  if (!reply.error || !(translation || reply.errorLine > 0)) {
    editor.mark({ error: null });
    return;
  }
  const line = reply.errorLine > 0 ? reply.errorLine : lastTextLine();
  editor.mark({ error: { line, column: reply.errorColumn ?? 0 } });
  editor.reveal(line);
  explainLineDifference(reply, line);
}

// poliz notices a mistake when it reads the word after it (a missing ';' at the next line's
// first word), while the mark stands where the mistake most likely is. (The explanation's own
// note speaks of the place shown above it on a console, so the page words it for the editor.)
function explainLineDifference(reply, markedLine) {
  const named = Number(reply.error.match(/\(line (\d+)\)/)?.[1] ?? 0);
  if (!named || named === markedLine) return;
  ui.lineNote.textContent =
    `The message names line ${named}, where poliz was reading when it noticed the mistake; ` +
    `the mark is on line ${markedLine}, where the mistake most likely is.`;
  ui.lineNote.hidden = false;
}

function lastTextLine() {
  const doc = editor.view.state.doc;
  let line = doc.lines;
  while (line > 1 && doc.line(line).text.trim() === '') --line;
  return line;
}

async function translate() {
  const source = editor.text();
  if (source.length * 3 > maxTextBytes && encoder.encode(source).length > maxTextBytes) {
    ui.listing.replaceChildren(Object.assign(document.createElement('div'), {
      className: 'pg-cut',
      textContent: `No POLIZ: the program is larger than ${maxTextLabel}.`,
    }));
    return;
  }
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
  renderListing(ui.listing, reply.items, source, colours, reply.itemCount);
  editor.mark({ colours });
}

function setRunning(running) {
  ui.run.disabled = running;
  ui.stop.disabled = !running;
  for (const button of [ui.stepItem, ui.stepLine, ui.runToLine]) button.disabled = running;
  ui.stepBack.disabled = running || !stepping || !canGoBack;
}

// Shows the output and keeps its last line in view.
function showOutput(text) {
  ui.output.textContent = text;
  ui.output.scrollTop = ui.output.scrollHeight;
}

function appendOutput(piece) {
  ui.output.append(piece);
  ui.output.scrollTop = ui.output.scrollHeight;
}

// The output arrives while the program runs and stays when it is stopped.
async function run() {
  leaveStepMode();
  ui.output.textContent = '';
  showError({});
  showInputUsed(ui.inputUsed, '', -1);
  const source = editor.text();
  const input = inputBox.value;
  if (!fitsTheModule('program', source) || !fitsTheModule('input', input)) return;
  setStatus('Running...');
  setRunning(true);
  try {
    const reply = await runner.callStreaming('playgroundRun', appendOutput, source, input);
    showOutput(reply.output);
    showError(reply);
    showInputUsed(ui.inputUsed, input, reply.inputUsed);
    const time = `(${reply.milliseconds.toFixed(0)} ms)`;
    setStatus(reply.outputLimit ? `Stopped after 1 MB of output ${time}` : `Exit status ${reply.status} ${time}`);
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
  markFailed(ui.listing, -1);
  showInputUsed(ui.inputUsed, '', -1);
  ui.stepBack.disabled = true;
  ui.stepExit.disabled = true;
}

function showMachine(state) {
  showOutput(state.output);
  showError(state);
  showInputUsed(ui.inputUsed, inputBox.value, state.inputUsed);
  renderStack(ui.stack, state.stack);
  renderVariables(ui.variables, state.variables);
  markCurrent(ui.listing, state.finished ? -1 : state.pc);
  editor.mark({ current: state.finished ? 0 : state.line });
  if (!state.finished) editor.reveal(state.line);
  canGoBack = state.canGoBack;
  if (state.outputLimit) setStatus('Step mode: stopped after 1 MB of output');
  else if (state.status !== 0) setStatus(`Step mode: stopped by an error at item ${state.pc}`);
  else if (state.finished) setStatus('Step mode: the program has finished');
  else setStatus(`Step mode: item ${state.pc}, line ${state.line}`);
}

// A move in step mode (0 item, 1 line, 2 back, 3 to the cursor's line); the first one starts it.
async function step(move) {
  setRunning(true);
  try {
    if (!stepping) {
      if (move === 2) return;
      if (!fitsTheModule('program', editor.text()) || !fitsTheModule('input', inputBox.value)) return;
      const start = await runner.call('playgroundStepStart', editor.text(), inputBox.value);
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
    // A failed worker is replaced, and the session it held is gone with it.
    leaveStepMode();
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
  examples = await (await fetch('examples.json')).json();
  for (const example of examples) ui.examples.append(new Option(example.name, example.name));
  ui.examples.addEventListener('change', () => {
    for (const option of ui.examples.options) if (option.value) option.textContent = option.value;
    const example = examples.find((e) => e.name === ui.examples.value);
    if (!example) return;
    inputBox.set(example.input);
    editor.setText(example.source);
    showExampleEdited();
  });
}

async function main() {
  ui.run.addEventListener('click', run);
  ui.stop.addEventListener('click', stop);
  ui.stepItem.addEventListener('click', () => step(0));
  ui.stepLine.addEventListener('click', () => step(1));
  ui.stepBack.addEventListener('click', () => step(2));
  ui.runToLine.addEventListener('click', () => step(3));
  ui.stepExit.addEventListener('click', leaveStepMode);
  ui.share.addEventListener('click', share);
  ui.inputFile.addEventListener('change', () => {
    if (ui.inputFile.files[0]) inputBox.load(ui.inputFile.files[0]);
    ui.inputFile.value = '';
  });
  bindShortcuts(byTestId);
  linkListingToSource();
  setRunning(false);
  ui.stepExit.disabled = true;

  await loadExamples();
  const shared = readFragment();
  const first = shared ?? examples[0];
  inputBox.set(first.input);
  editor.setText(first.source);
  if (!shared) ui.examples.value = first.name;
  document.body.dataset.ready = 'true';
}

main();
