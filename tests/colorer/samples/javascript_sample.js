// JavaScript sample.
const items = [1, 2.5, 'three'];
function total(list) {
  let sum = 0;
  for (const x of list) {
    sum += typeof x === "number" ? x : 0;
  }
  return sum; /* done */
}
const re = /ab+c/g;
console.log(`sum: ${total(items)}`);
