// The Web Worker that runs the WebAssembly build of poliz, so that a long run never blocks the
// page. Each request names one function of the module; the reply is its parsed JSON answer.
/* global importScripts, createPolizModule */
importScripts('poliz.js');

const ready = createPolizModule();

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
    self.postMessage({ id, failure: String(error) });
  }
};
