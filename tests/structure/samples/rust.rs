//! A small Rust module.
use std::fmt;

pub mod geometry {
    pub struct Point {
        pub x: f64,
        pub y: f64,
    }
}

#[derive(Debug)]
pub enum Shape {
    Circle(f64),
    Square(f64),
}

pub trait Area {
    fn area(&self) -> f64;
}

impl Area for Shape {
    fn area(&self) -> f64 {
        match self {
            Shape::Circle(r) => 3.14 * r * r,
            Shape::Square(s) => s * s,
        }
    }
}

impl fmt::Display for Shape {
    fn fmt(&self, f: &mut fmt::Formatter) -> fmt::Result {
        write!(f, "{:?}", self)
    }
}

pub(crate) async fn load() {}

fn main() {
    let s = Shape::Circle(1.0);
    println!("{}", s.area());
}
