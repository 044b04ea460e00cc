// A short note at the bottom of the window, e.g. after copying, and the same
// words for assistive technology through a polite live region. The region
// stays in the document all the time: one that appears together with its
// words is not reliably read.
let timer = 0;
let clearTimer = 0;

// Says `text` to assistive technology without showing anything. In the
// program the words also go to the toolkit as an announcement: WebKitGTK
// tells a screen reader nothing of a live region's new text.
export function announce(text) {
  const channel = window.webkit?.messageHandlers?.pr2Announce;
  if (channel && text) channel.postMessage(String(text));
  const region = document.getElementById('announcer');
  // The same words twice in a row are a change only if the region was
  // emptied in between.
  region.textContent = '';
  clearTimeout(clearTimer);
  requestAnimationFrame(() => {
    region.textContent = text;
    clearTimer = setTimeout(() => { region.textContent = ''; }, 5000);
  });
}

export function showToast(text) {
  const toast = document.getElementById('toast');
  toast.textContent = text;
  toast.hidden = false;
  toast.classList.remove('leaving');
  announce(text);
  clearTimeout(timer);
  timer = setTimeout(() => {
    toast.classList.add('leaving');
    timer = setTimeout(() => { toast.hidden = true; }, 180);
  }, 1400);
}
