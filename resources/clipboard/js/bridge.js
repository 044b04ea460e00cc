// The page's only ways to talk to the program: commands go out on the
// "pr2Clip" message channel, snapshots come in as Base64 text. (Words for a
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

// Posts one command object. Outside the program (a plain browser) there is no
// channel and the command goes nowhere.
export function post(command) {
  const channel = window.webkit?.messageHandlers?.pr2Clip;
  if (channel) channel.postMessage(command);
}
