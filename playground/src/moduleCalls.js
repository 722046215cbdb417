// Calls into the playground's WebAssembly module: texts go in as UTF-8 bytes copied into the
// module's heap (any length, NUL bytes included), the reply comes back as JSON, and a run's
// output is handed to `onOutput` piece by piece while the program runs. Loaded by the worker
// (importScripts) and by the tests under Node.js (require).
(function (scope) {
  const encoder = new TextEncoder();

  // The exported functions: how many texts each takes, then its number arguments.
  const texts = { playgroundRun: 2, playgroundTranslate: 1, playgroundStepStart: 2, playgroundStep: 0 };

  function callModule(polizModule, name, args, onOutput) {
    const textCount = texts[name];
    if (textCount === undefined) throw new Error(`no such function: ${name}`);
    const buffers = [];
    const decoder = new TextDecoder();
    polizModule.onOutput = onOutput ? (bytes) => onOutput(decoder.decode(bytes, { stream: true })) : null;
    try {
      const numbers = [];
      for (let k = 0; k < textCount; ++k) {
        const bytes = encoder.encode(args[k]);
        const address = polizModule._malloc(Math.max(bytes.length, 1));
        if (!address) throw new Error('the module has no memory left for the text');
        buffers.push(address);
        polizModule.HEAPU8.set(bytes, address);  // the heap may have grown: its view is fetched anew
        numbers.push(address, bytes.length);
      }
      numbers.push(...args.slice(textCount));
      const types = numbers.map(() => 'number');
      const reply = polizModule.ccall(name, 'number', types, numbers);
      const tail = decoder.decode();
      if (tail && onOutput) onOutput(tail);
      return JSON.parse(polizModule.UTF8ToString(reply));
    } finally {
      polizModule.onOutput = null;
      for (const address of buffers) polizModule._free(address);
    }
  }

  scope.callPolizModule = callModule;
})(typeof module === 'object' && module.exports ? module.exports : self);
