#include "talvex/channel_table.hpp"

namespace talvex {

Session& session() {
    static Session instance;
    return instance;
}

}  // namespace talvex
