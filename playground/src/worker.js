// The Web Worker that runs the WebAssembly build of poliz, so that a long run never blocks the
// page. Each request names one function of the module; the reply is its parsed JSON answer, and
// a run's output comes ahead of it in pieces. When the module fails in any way of its own (a
// trap, a stack that ran out, an exception no one caught), the page is told to start a fresh
// worker: a module left in the middle of a call cannot be trusted with the next one.
/* global importScripts, createPolizModule, callPolizModule */
importScripts('poliz.js', 'moduleCalls.js');

const ready = createPolizModule();

// The browser's own call stack holds fewer levels of nesting than poliz's translator allows;
// the count is the one the page's tests find in Chromium.
const stackExhausted =
  "the browser's stack is too small for nesting this deep (it holds about 550 levels of parentheses); " +
  'the console poliz takes up to 1,098';

function describe(error) {
  if (error instanceof RangeError) return stackExhausted;
  if (typeof WebAssembly !== 'undefined' && error instanceof WebAssembly.RuntimeError)
    return `the WebAssembly machine stopped (${error.message}); the page has started a fresh one`;
  if (error instanceof Error) return `${error.message}; the page has started a fresh machine`;
  return 'the WebAssembly machine stopped unexpectedly; the page has started a fresh one';
}

self.onmessage = async (event) => {
  const { id, name, args } = event.data;
  try {
    const module = await ready;
    const started = performance.now();
    const onOutput = name === 'playgroundRun' ? (output) => self.postMessage({ id, output }) : null;
    const reply = callPolizModule(module, name, args, onOutput);
    reply.milliseconds = performance.now() - started;
    self.postMessage({ id, reply });
  } catch (error) {
    self.postMessage({ id, failure: describe(error), restart: true });
  }
};
