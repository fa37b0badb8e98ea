/* Talvex RTU call interface: the Modbus RTU calls every part of Talvex talks to sensors through,
 * exported with C linkage from libtalvex_rtu.so for other programs.
 *
 * One process-wide master on one serial port. Integer arguments: of a slave only the low 8 bits
 * count, of addresses, quantities and values the low 16 bits. Results are RTU result codes
 * (0 success; see RTU_ERR_* below); callers treat non-zero low 16 bits as failure.
 * Each transaction holds the link's lock, so callers on several threads never interleave frames. */
#ifndef TALVEX_RTU_H
#define TALVEX_RTU_H

#if defined(_WIN32)
#define RTU_API __declspec(dllexport)
#else
#define RTU_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define RTU_OK 0x0000
#define RTU_ERR_SLAVE 0x2001
#define RTU_ERR_FUNCTION 0x2002
#define RTU_ERR_QUANTITY 0x2003
#define RTU_ERR_COIL_VALUE 0x2004
#define RTU_ERR_CRC 0x4001
#define RTU_ERR_SLAVE_ECHO 0x4002
#define RTU_ERR_FUNCTION_ECHO 0x4003
#define RTU_ERR_WRITE_ECHO 0x4004
#define RTU_ERR_BYTE_COUNT 0x4005
#define RTU_ERR_SEND 0x4006
#define RTU_ERR_TIMEOUT 0x4007
#define RTU_EXCEPTION 0x8000 /* + the slave's exception code */

/* The thirteen calls. */
RTU_API int RTUOpenCom(int port, int baudRate, int byteSize, int parity, int stopBits);
RTU_API void RTUCloseCom(void);
RTU_API int RTUReadCoils(int slave, int start, int quantity, unsigned char* dest);
RTU_API int RTUReadDiscreteInputs(int slave, int start, int quantity, unsigned char* dest);
RTU_API int RTUReadHoldingRegisters(int slave, int start, int quantity, unsigned char* dest);
RTU_API int RTUReadInputRegisters(int slave, int start, int quantity, unsigned char* dest);
RTU_API int RTUWriteSingleCoil(int slave, int address, int value);
RTU_API int RTUWriteSingleRegister(int slave, int address, int value);
RTU_API int RTUWriteSingleRegister22(int slave, int address, int value);
RTU_API int RTUStartHistoryOutput(int slave);
RTU_API int RTUReadBytes(unsigned char* dest, int count);
RTU_API int RTUWriteMultipleCoils(int slave, int start, int quantity, const unsigned char* src);
RTU_API int RTUWriteMultipleRegisters(int slave, int start, int quantity, const unsigned char* src);

/* Extras beyond the thirteen. */

/* Opens a serial device by path (/dev/ttyUSB0, a pty) instead of a COM number. 1 opened, 0 failed. */
RTU_API int RTUOpenDevice(const char* path, int baudRate, int byteSize, int parity, int stopBits);
/* 1 while the link's port is open. */
RTU_API int RTUIsOpen(void);
/* English text for a result code ("CRC error", "Modbus exception 2: illegal data address", ...). */
RTU_API const char* RTUResultText(int code);

#ifdef __cplusplus
}
#endif

#endif /* TALVEX_RTU_H */
