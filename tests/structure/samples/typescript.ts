// A small TypeScript module.
export interface Shape {
    area(): number;
}

export type Id = string | number;
type Pair<T> = [T, T];

enum Direction {
    Up,
    Down,
}

export abstract class Base implements Shape {
    protected constructor(readonly id: Id) {}

    abstract area(): number;

    public describe(): string {
        if (this.id) {
            return `shape ${this.id}`;
        }
        return "shape";
    }

    private static make<T>(value: T): Pair<T> {
        return [value, value];
    }
}

export function total(shapes: Shape[]): number {
    return shapes.reduce((sum, s) => sum + s.area(), 0);
}

export const square = (x: number): number => x * x;
