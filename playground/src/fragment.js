// The program and its input kept in the page's address after '#', so that a link shares them:
// #code=...&input=..., each the base64url form of the UTF-8 text.

function encode(text) {
  const bytes = new TextEncoder().encode(text);
  let binary = '';
  for (let i = 0; i < bytes.length; i += 0x8000) binary += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
  return btoa(binary).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
}

function decode(text) {
  const binary = atob(text.replace(/-/g, '+').replace(/_/g, '/'));
  return new TextDecoder().decode(Uint8Array.from(binary, (c) => c.charCodeAt(0)));
}

// {source, input} from the current address; null when it holds no program (or a damaged one).
export function readFragment(hash = location.hash) {
  const params = new URLSearchParams(hash.replace(/^#/, ''));
  if (!params.has('code')) return null;
  try {
    return { source: decode(params.get('code')), input: params.has('input') ? decode(params.get('input')) : '' };
  } catch {
    return null;
  }
}

// Browsers refuse addresses much longer than this; a larger program is not kept in one.
export const maxFragment = 1 << 20;

// Replaces the address without adding a history entry for every key typed. Returns whether the
// address now holds the program: when it would be too long, it is cleared instead, so that it
// never holds an older program than the editor.
export function writeFragment(source, input) {
  if (source.length + input.length > maxFragment) {
    history.replaceState(null, '', location.pathname + location.search);
    return false;
  }
  let hash = `#code=${encode(source)}`;
  if (input) hash += `&input=${encode(input)}`;
  if (hash.length > maxFragment) {
    history.replaceState(null, '', location.pathname + location.search);
    return false;
  }
  history.replaceState(null, '', hash);
  return true;
}
