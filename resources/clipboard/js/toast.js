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

// Whether the notice shows an undo button.
let offering = false;

function showNotice(text) {
  const toast = document.getElementById('toast');
  toast.textContent = text;
  toast.hidden = false;
  toast.classList.remove('offer');
  offering = false;
  return toast;
}

export function showToast(text) {
  const toast = showNotice(text);
  toast.classList.remove('leaving');
  announce(text);
  leaveAfter(toast, 1400);
}

function leaveAfter(toast, ms) {
  clearTimeout(timer);
  timer = setTimeout(() => {
    toast.classList.add('leaving');
    timer = setTimeout(() => {
      toast.hidden = true;
      offering = false;
    }, 180);
  }, ms);
}

// The notice with a button that takes the action back, for `ms`. The words
// are announced by the caller, with the key that does the same: the button is
// for the mouse, and the notice stays out of the accessibility tree.
export function showUndoNotice(text, label, onUndo, ms) {
  const toast = showNotice(text);
  const button = document.createElement('button');
  button.type = 'button';
  button.className = 'toast-action';
  button.tabIndex = -1;
  button.textContent = label;
  button.addEventListener('click', onUndo);
  toast.append(' ', button);
  toast.classList.add('offer');
  toast.classList.remove('leaving');
  offering = true;
  leaveAfter(toast, ms);
}

export function hideUndoNotice() {
  if (!offering) return;
  offering = false;
  clearTimeout(timer);
  document.getElementById('toast').hidden = true;
}
