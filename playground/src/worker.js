// The Web Worker that runs the WebAssembly build of poliz, so that a long run never blocks the
// page. Each request names one function of the module; the reply is its parsed JSON answer.
/* global importScripts, createPolizModule */
importScripts('poliz.js');

const ready = createPolizModule();
const stackExhausted = "the browser's stack is too small for nesting this deep; the console poliz runs it";

const signatures = {
  playgroundRun: ['string', 'string'],
  playgroundTranslate: ['string'],
  playgroundStepStart: ['string', 'string'],
  playgroundStep: ['number', 'number'],
};

self.onmessage = async (event) => {
  const { id, name, args } = event.data;
  try {
    const module = await ready;
    const started = performance.now();
    const text = module.ccall(name, 'string', signatures[name], args);
    const reply = JSON.parse(text);
    reply.milliseconds = performance.now() - started;
    self.postMessage({ id, reply });
  } catch (error) {
    // A RangeError is the browser's own call stack running out: the parser descends once per
    // level of nesting, and poliz allows deeper nesting than a browser's stack holds. The
    // module is left mid-call, so the page starts a fresh worker.
    if (error instanceof RangeError) self.postMessage({ id, failure: stackExhausted, restart: true });
    else self.postMessage({ id, failure: String(error) });
  }
};
