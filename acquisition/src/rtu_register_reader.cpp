#include "talvex/acquisition/acquisition_engine.hpp"
#include "talvex/rtu.h"

namespace talvex::acquisition {

RegisterReader rtuRegisterReader() {
    return [](int slave, int start, int count, std::uint8_t* dest) {
        return RTUReadHoldingRegisters(slave, start, count, dest);
    };
}

}  // namespace talvex::acquisition
