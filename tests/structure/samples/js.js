// A small JavaScript module.
import { readFile } from "fs";

export class Store {
    constructor(name) {
        this.name = name;
    }

    async load(path) {
        if (path) {
            return readFile(path);
        }
        for (const x of []) {
        }
    }

    static create() {
        return new Store("default");
    }

    get size() {
        return 0;
    }
}

function helper(a, b) {
    return a + b;
}

export default async function main() {
    const store = Store.create();
    return store;
}

const double = (x) => x * 2;
let inc = x => x + 1;
var legacy = function () {};
