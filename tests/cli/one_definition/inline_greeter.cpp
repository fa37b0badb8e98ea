// One of two different definitions of one class in one library: inline here, out of line in
// outline_greeter.cpp. The one-definition check must name it; nothing links these two into a program.
namespace talvex::one_definition_fixture {

struct Greeter {
    virtual ~Greeter() = default;
    virtual int greet() const { return 1; }
};

Greeter* makeInline() {
    return new Greeter;
}

}  // namespace talvex::one_definition_fixture
