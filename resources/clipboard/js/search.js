// Case-insensitive search over the current session's entries.
//
// The lower-cased text of each entry is made once and kept while the entry's
// text is the same; for a new snapshot it is made in small slices after the
// frame is drawn, so a render never waits for it. A search scans the entries
// in display order in slices of a few milliseconds: the first slice runs at
// once and its matches are drawn in the same frame; a long history finishes
// in the following frames. Typing on narrows the previous hits, and a query
// seen before in this snapshot is answered from memory.

const sliceMs = 7;
const rememberedQueries = 64;

function lowerOf(entry) {
  if (entry.lower === null) entry.lower = entry.text.toLowerCase();
  return entry.lower;
}

// Runs `work` after the next frame has been drawn.
function afterFrame(work) {
  requestAnimationFrame(() => setTimeout(work, 0));
}

export class SearchIndex {
  constructor() {
    this.entries = new Map();
    this.pending = [];
    this.lowering = false;
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
        const entry = { text: item.text, lower: null };
        next.set(item.id, entry);
        pending.push(entry);
      }
    }
    this.entries = next;
    this.pending = pending;
    this.cancel();
    this.last = null;
    this.remembered.clear();
    this.lowerInBackground();
  }

  lowerInBackground() {
    if (this.lowering || this.pending.length === 0) return;
    this.lowering = true;
    afterFrame(() => {
      this.lowering = false;
      const end = performance.now() + sliceMs;
      while (this.pending.length > 0 && performance.now() < end) lowerOf(this.pending.pop());
      this.lowerInBackground();
    });
  }

  cancel() {
    if (this.job) this.job.cancelled = true;
    this.job = null;
  }

  // Searches the ids of `order` (display order) for `query`. `update(hits,
  // done)` is called before this returns, and again after each later slice
  // until done; hits is null when there is no query.
  search(query, order, update) {
    this.cancel();
    const needle = query.toLowerCase();
    if (needle === '') {
      update(null, true);
      return;
    }
    const known = this.remembered.get(needle);
    if (known) {
      this.last = { needle, hits: known };
      update(known, true);
      return;
    }
    const narrowing = this.last !== null && needle.includes(this.last.needle);
    const pool = narrowing ? order.filter((id) => this.last.hits.has(id)) : order;
    this.job = { needle, pool, at: 0, hits: new Set(), cancelled: false };
    this.step(this.job, update);
  }

  step(job, update) {
    const deadline = performance.now() + sliceMs;
    const { pool, needle, hits } = job;
    while (job.at < pool.length) {
      const entry = this.entries.get(pool[job.at]);
      job.at += 1;
      if (entry && lowerOf(entry).includes(needle)) hits.add(pool[job.at - 1]);
      if (performance.now() > deadline) break;
    }
    const done = job.at >= pool.length;
    if (done) {
      this.job = null;
      if (this.remembered.size >= rememberedQueries) this.remembered.delete(this.remembered.keys().next().value);
      this.remembered.set(needle, hits);
      this.last = { needle, hits };
    }
    update(hits, done);
    if (!done) {
      afterFrame(() => {
        if (!job.cancelled) this.step(job, update);
      });
    }
  }
}
