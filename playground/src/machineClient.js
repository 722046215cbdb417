// The page's side of the Web Worker that holds the WebAssembly module: requests as promises
// (a run's output arriving in pieces before its answer), and Stop, which ends the worker with
// whatever it is running and starts a fresh one (as does a failure that leaves the module in
// doubt).

export class StoppedError extends Error {
  constructor() {
    super('Stopped.');
  }
}

export class MachineClient {
  constructor(workerUrl) {
    this.workerUrl = workerUrl;
    this.pending = new Map();
    this.nextId = 1;
    this.start();
  }

  start() {
    this.worker = new Worker(this.workerUrl);
    this.worker.onmessage = (event) => {
      const { id, reply, failure, restart, output } = event.data;
      const request = this.pending.get(id);
      if (!request) return;
      if (output !== undefined) {
        request.onOutput?.(output);
        return;
      }
      this.pending.delete(id);
      if (failure) request.reject(new Error(failure));
      else request.resolve(reply);
      if (restart) this.stop();
    };
  }

  // Whether a request is waiting for its answer.
  get busy() {
    return this.pending.size > 0;
  }

  call(name, ...args) {
    return this.callStreaming(name, null, ...args);
  }

  // As call, handing each piece of the output to `onOutput` as the program writes it.
  callStreaming(name, onOutput, ...args) {
    const id = this.nextId++;
    return new Promise((resolve, reject) => {
      this.pending.set(id, { resolve, reject, onOutput });
      this.worker.postMessage({ id, name, args });
    });
  }

  stop() {
    this.worker.terminate();
    for (const request of this.pending.values()) request.reject(new StoppedError());
    this.pending.clear();
    this.start();
  }
}
