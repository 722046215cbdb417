// The page's keyboard shortcuts, in one table that both the key handler and the buttons'
// tooltips read, so that a tooltip always names the key that works.
const shortcuts = [
  { id: 'run', keys: 'Ctrl+Enter', matches: (e) => e.key === 'Enter' && (e.ctrlKey || e.metaKey) && !e.altKey },
  { id: 'stop', keys: 'Escape', matches: (e) => e.key === 'Escape' && !e.ctrlKey && !e.altKey },
  { id: 'step-item', keys: 'Alt+S', matches: (e) => e.altKey && e.code === 'KeyS' },
  { id: 'step-line', keys: 'Alt+N', matches: (e) => e.altKey && e.code === 'KeyN' },
  { id: 'step-back', keys: 'Alt+B', matches: (e) => e.altKey && e.code === 'KeyB' },
  { id: 'run-to-line', keys: 'Alt+C', matches: (e) => e.altKey && e.code === 'KeyC' },
  { id: 'step-exit', keys: 'Alt+X', matches: (e) => e.altKey && e.code === 'KeyX' },
];

// Adds each button's key to its tooltip and presses the button (when enabled) on its key. The
// page listens before the editor does, which has its own meaning for Ctrl+Enter.
export function bindShortcuts(button) {
  for (const { id, keys } of shortcuts) {
    const node = button(id);
    node.title = `${node.title} (${keys})`;
    node.setAttribute('aria-keyshortcuts', keys.replace('Ctrl', 'Control'));
  }
  document.addEventListener(
    'keydown',
    (event) => {
      const shortcut = shortcuts.find((s) => s.matches(event));
      if (!shortcut) return;
      const node = button(shortcut.id);
      if (node.disabled) return;
      event.preventDefault();
      event.stopPropagation();
      node.click();
    },
    true,
  );
}
