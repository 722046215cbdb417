// The Input box. A browser lays out a text area of megabytes for minutes, so a large input
// (pasted or loaded from a file) is kept aside and the box shows its size instead; the
// program reads it all the same.
const largeInput = 256 * 1024;  // characters; above this the text is kept aside

export class InputBox {
  // `area` the text area, `large` the element that stands in for it, `onChange()` after every
  // change made by the user.
  constructor(area, large, onChange) {
    this.area = area;
    this.largeView = large;
    this.onChange = onChange;
    this.large = null;
    area.addEventListener('input', () => onChange());
    area.addEventListener('paste', (event) => {
      const pasted = event.clipboardData?.getData('text/plain') ?? '';
      if (pasted.length + area.value.length <= largeInput) return;
      event.preventDefault();
      const { selectionStart, selectionEnd, value } = area;
      this.set(value.slice(0, selectionStart) + pasted + value.slice(selectionEnd));
      onChange();
    });
  }

  get value() {
    return this.large ?? this.area.value;
  }

  // Sets the text as the program will read it.
  set(text) {
    this.large = text.length > largeInput ? text : null;
    this.area.value = this.large === null ? text : '';
    this.area.hidden = this.large !== null;
    this.largeView.hidden = this.large === null;
    if (this.large === null) return;
    const lines = (text.match(/\n/g)?.length ?? 0) + (text.endsWith('\n') ? 0 : 1);
    const size = new Blob([text]).size;
    const summary = document.createElement('span');
    summary.textContent = `A large input: ${(size / 1048576).toFixed(1)} MB in ${lines.toLocaleString('en')} lines, too long to show; the program reads it all. `;
    const clear = document.createElement('button');
    clear.textContent = 'Clear it';
    clear.dataset.testid = 'input-clear';
    clear.addEventListener('click', () => {
      this.set('');
      this.onChange();
      this.area.focus();
    });
    this.largeView.replaceChildren(summary, clear);
  }

  // Reads a file chosen by the user into the box.
  async load(file) {
    this.set(await file.text());
    this.onChange();
  }
}
