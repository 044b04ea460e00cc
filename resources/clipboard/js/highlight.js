import { matchRanges } from './match.js';

// Marks the parts of a card's preview that match the search with <mark>
// elements. The entry's text only ever goes in as text nodes and
// textContent, so markup or scripts in an entry stay visible characters.
//
// CSS highlights over ranges would add no elements at all, but WebKitGTK,
// the engine the program runs in, does not paint them.

export function markText(node, text, query) {
  const ranges = query === '' ? [] : matchRanges(text, query);
  if (ranges.length === 0) {
    if (node.firstElementChild !== null || node.textContent !== text) node.textContent = text;
    return;
  }
  const parts = [];
  let at = 0;
  for (const [start, end] of ranges) {
    if (start > at) parts.push(document.createTextNode(text.slice(at, start)));
    const mark = document.createElement('mark');
    mark.className = 'hit';
    mark.textContent = text.slice(start, end);
    parts.push(mark);
    at = end;
  }
  if (at < text.length) parts.push(document.createTextNode(text.slice(at)));
  node.replaceChildren(...parts);
}

// The marked parts of a node's text, in order (for tests and the inspector).
export function markedParts(node) {
  return [...node.querySelectorAll('mark.hit')].map((mark) => mark.textContent);
}
