// A small C++ file.
#include <string>
#include <vector>

namespace shapes {

class Shape {
public:
    virtual ~Shape() = default;
    virtual double Area() const = 0;
};

struct Point {
    double x = 0, y = 0;
};

class Circle final : public Shape {
public:
    explicit Circle(double r);
    double Area() const override;

private:
    double r_;
};

Circle::Circle(double r) : r_(r) {}

double Circle::Area() const {
    return 3.14159 * r_ * r_;
}

Circle::~Circle() {
}

} // namespace shapes

static std::string Describe(const shapes::Shape& s) {
    return std::to_string(s.Area());
}

template <typename T>
class Stack {
    std::vector<T> items_;
};

int main() {
    shapes::Circle c(2.0);
    return Describe(c).empty() ? 1 : 0;
}
