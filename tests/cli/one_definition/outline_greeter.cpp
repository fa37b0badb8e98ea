// The other definition of the class of inline_greeter.cpp, its members out of line.
namespace talvex::one_definition_fixture {

struct Greeter {
    virtual ~Greeter();
    virtual int greet() const;
};

Greeter::~Greeter() = default;

int Greeter::greet() const {
    return 2;
}

}  // namespace talvex::one_definition_fixture
