// Rust sample.
use std::fmt;

/// A point.
#[derive(Debug)]
struct Point { x: i32, y: f64 }

fn main() {
    let mut p = Point { x: 1, y: 2.5 };
    p.x += 0xff;
    println!("{:?} {}", p, "text");
}
