// The page's only ways to talk to the program: commands go out on the
// "pr2Clip" message channel; a snapshot is fetched from the address the
// program names when it has one (Base64 text is read too). (Words for a
// screen reader go out on "pr2Announce", see toast.js.)

const utf8 = new TextDecoder('utf-8');

function base64ToBytes(text) {
  if (typeof Uint8Array.fromBase64 === 'function') return Uint8Array.fromBase64(text);
  const binary = atob(text);
  const bytes = new Uint8Array(binary.length);
  for (let i = 0; i < binary.length; i++) bytes[i] = binary.charCodeAt(i);
  return bytes;
}

// Base64 to bytes, bytes as UTF-8 text, text as JSON.
export function decode(text) {
  return JSON.parse(utf8.decode(base64ToBytes(String(text))));
}

// The snapshot at `url`, or null when it cannot be had (a second fetch of
// the same one, a page being replaced).
export async function fetchSnapshot(url) {
  try {
    const reply = await fetch(url);
    return reply.ok ? await reply.json() : null;
  } catch {
    return null;
  }
}

// Posts one command object. Outside the program (a plain browser) there is no
// channel and the command goes nowhere.
export function post(command) {
  const channel = window.webkit?.messageHandlers?.pr2Clip;
  if (channel) channel.postMessage(command);
}
