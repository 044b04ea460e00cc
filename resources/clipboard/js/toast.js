// A short note at the bottom of the window, e.g. after copying.
let timer = 0;

export function showToast(text) {
  const toast = document.getElementById('toast');
  toast.textContent = text;
  toast.hidden = false;
  toast.classList.remove('leaving');
  clearTimeout(timer);
  timer = setTimeout(() => {
    toast.classList.add('leaving');
    timer = setTimeout(() => { toast.hidden = true; }, 180);
  }, 1400);
}
