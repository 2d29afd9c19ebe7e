// C++ sample: templates, raw strings and namespaces.
#include <vector>

namespace demo {
template <typename T>
class Box {
public:
    explicit Box(T value) : value_(value) {}
    virtual ~Box() = default;
    bool empty() const noexcept { return false; }
private:
    T value_;
};
} // namespace demo

auto text = R"(raw ) string)";
constexpr int kLimit = 100'000;
