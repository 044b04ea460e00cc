// Forgiving search over the current session's entries (see match.js): the
// entries that hold the query, and the close matches of its letters.
//
// The folded text of each entry is made once and kept while the entry's
// text is the same; for a new snapshot it is made in small slices after the
// frame is drawn, so a render never waits for it. A search scans the entries
// in display order in slices of a few milliseconds: the first slice runs at
// once and its matches are drawn in the same frame; a long history finishes
// in the following frames. Typing on narrows the previous hits, and a query
// seen before in this snapshot is answered from memory.

import { fold, closeLetters, isCloseMatch, minCloseLetters } from './match.js';

const sliceMs = 7;
const rememberedQueries = 64;

function foldedOf(entry) {
  if (entry.folded === null) entry.folded = fold(entry.text);
  return entry.folded;
}

// Runs `work` after the next frame has been drawn.
function afterFrame(work) {
  requestAnimationFrame(() => setTimeout(work, 0));
}

export class SearchIndex {
  constructor() {
    this.entries = new Map();
    this.pending = [];
    this.folding = false;
    this.job = null;
    this.last = null;
    this.remembered = new Map();
  }

  sync(items) {
    const next = new Map();
    const pending = [];
    for (const item of items) {
      const old = this.entries.get(item.id);
      if (old && old.text === item.text) {
        // The same text, but held from the new snapshot, so the old one can go.
        old.text = item.text;
        next.set(item.id, old);
      } else {
        const entry = { text: item.text, folded: null };
        next.set(item.id, entry);
        pending.push(entry);
      }
    }
    this.entries = next;
    this.pending = pending;
    this.cancel();
    this.last = null;
    this.remembered.clear();
    this.foldInBackground();
  }

  foldInBackground() {
    if (this.folding || this.pending.length === 0) return;
    this.folding = true;
    afterFrame(() => {
      this.folding = false;
      const end = performance.now() + sliceMs;
      while (this.pending.length > 0 && performance.now() < end) foldedOf(this.pending.pop());
      this.foldInBackground();
    });
  }

  cancel() {
    if (this.job) this.job.cancelled = true;
    this.job = null;
  }

  // Searches the ids of `order` (display order) for `query`. `update(found,
  // done)` is called before this returns, and again after each later slice
  // until done; found is null when there is no query, else { hits, close }:
  // every matching id, and those of them that are only close matches.
  search(query, order, update) {
    this.cancel();
    const needle = fold(query);
    if (needle === '') {
      update(null, true);
      return;
    }
    const known = this.remembered.get(needle);
    if (known) {
      this.last = { needle, found: known };
      update(known, true);
      return;
    }
    const letters = closeLetters(needle);
    // What the longer query finds, the shorter one found too, unless the
    // shorter one was too short to look for close matches.
    const last = this.last;
    const narrowing = last !== null && needle.includes(last.needle)
      && (closeLetters(last.needle).length >= minCloseLetters || letters.length < minCloseLetters);
    const pool = narrowing ? order.filter((id) => last.found.hits.has(id)) : order;
    const found = { hits: new Set(), close: new Set() };
    this.job = { needle, letters, pool, at: 0, found, cancelled: false };
    this.step(this.job, update);
  }

  step(job, update) {
    const deadline = performance.now() + sliceMs;
    const { pool, needle, letters, found } = job;
    while (job.at < pool.length) {
      const id = pool[job.at];
      const entry = this.entries.get(id);
      job.at += 1;
      if (entry) {
        const text = foldedOf(entry);
        if (text.includes(needle)) {
          found.hits.add(id);
        } else if (isCloseMatch(text, letters)) {
          found.hits.add(id);
          found.close.add(id);
        }
      }
      if (performance.now() > deadline) break;
    }
    const done = job.at >= pool.length;
    if (done) {
      this.job = null;
      if (this.remembered.size >= rememberedQueries) this.remembered.delete(this.remembered.keys().next().value);
      this.remembered.set(needle, found);
      this.last = { needle, found };
    }
    update(found, done);
    if (!done) {
      afterFrame(() => {
        if (!job.cancelled) this.step(job, update);
      });
    }
  }
}
