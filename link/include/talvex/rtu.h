/* Talvex RTU call interface: the Modbus RTU calls every part of Talvex talks to sensors through,
 * exported with C linkage from libtalvex_rtu.so for other programs.
 *
 * One process-wide master on one serial port. Integer arguments: of a slave only the low 8 bits
 * count, of addresses, quantities and values the low 16 bits. Results are RTU result codes
 * (0 success; see RTU_ERR_* below); callers treat non-zero low 16 bits as failure.
 * Each transaction holds the link's lock, so callers on several threads never interleave frames.
 *
 * Until a port is open (and after RTUCloseCom, or after a read or write failure closed it underneath) every
 * request returns RTU_ERR_SEND once its arguments pass, and RTUReadBytes returns 0. Null buffers are refused
 * with RTU_ERR_BUFFER before any traffic. A history progress callback must not issue requests. */
#ifndef TALVEX_RTU_H
#define TALVEX_RTU_H

#if defined(_WIN32)
#if defined(TALVEX_RTU_BUILD)
#define RTU_API __declspec(dllexport)
#else
#define RTU_API __declspec(dllimport)
#endif
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
#define RTU_ERR_BUFFER 0x2005 /* null buffer from the caller; nothing sent */
#define RTU_EXCEPTION 0x8000  /* + the slave's exception code */

/* Why the last RTUOpenCom / RTUOpenDevice failed (RTULastOpenFailure). */
#define RTU_OPEN_OK 0
#define RTU_OPEN_MISSING 1     /* no such device */
#define RTU_OPEN_BUSY 2        /* held by another program */
#define RTU_OPEN_DENIED 3      /* no permission (on Linux: not in the dialout group) */
#define RTU_OPEN_UNSUPPORTED 4 /* not a serial device, or it refused the line settings */
#define RTU_OPEN_BAD_PORT 5    /* COM number outside 1..99 */
#define RTU_OPEN_OTHER 6
#define RTU_OPEN_SETTINGS 7 /* line settings no port here can make: 1.5 stop bits, parity above 4 (space) */

/* The thirteen calls. RTUOpenCom(n) opens COMn: the device named by the environment variable TALVEX_COM<n>
 * when set, else /dev/ttyS(n-1); n outside 1..99 fails without an attempt. byteSize 5..8, parity 0 none,
 * 1 odd, 2 even, 3 mark, 4 space, stopBits 0 one, 2 two (1, one and a half, fails with RTU_OPEN_SETTINGS);
 * any baud rate the port's driver can make (14400, 28800, 56000, 128000, 256000, ...). The port is refused
 * (RTU_OPEN_BUSY) while another program has it open or holds its UUCP lock; an open port holds that lock.
 * RTUReadBytes does one raw read of up to count bytes (history stream).
 */
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
/* English text for a result code ("CRC error", "Modbus exception 2: illegal data address", ...).
 * Only the low 16 bits count. The text is static, except for unknown exception codes, whose text lives in a
 * per-thread buffer until the thread's next call. */
RTU_API const char* RTUResultText(int code);
/* RTU_OPEN_* reason of the last failed open (RTU_OPEN_OK after a successful one). */
RTU_API int RTULastOpenFailure(void);
/* After RTU_OPEN_BUSY: who holds the port, "held by PID 1234 (minicom)" (another process has it open, or its
 * UUCP lock file /run/lock/LCK..ttyUSB0 names a running process); "" when unknown. Valid until the next open.
 */
RTU_API const char* RTULastOpenHolder(void);

/* Settings of the history block exchange of RTUWriteSingleRegister22:
 *   ready         0: the exchange ends with 0 right after its request (nothing is collected);
 *   recordFormat  1: 19-byte records, 2: 28-byte records; any other value ends with 0 after the request;
 *   recordCount   records expected; when no further complete record arrives for 5 s the exchange ends
 *                 with RTU_ERR_TIMEOUT and the count is lowered to the records received
 *                 (read it back with RTUHistoryRecordCount);
 *   progress      optional, called on the exchanging thread with 0..100 while records arrive, user passed
 * through. The settings stay in force until the next call. */
typedef void (*RTUProgressFn)(int percent, void* user);
RTU_API void RTUSetHistoryOptions(int ready, int recordFormat, int recordCount, RTUProgressFn progress,
                                  void* user);
RTU_API int RTUHistoryRecordCount(void);

/* The frame tap: every request the master sends and every response it receives or discards, as it happens.
 * Listeners run on the thread of the transaction, inside it: they must return quickly, must not call into
 * this interface, and see the bytes only for the length of the call. Without a listener the master does
 * no tap work at all. At most RTU_TAP_LISTENERS listeners at once. */
#define RTU_TAP_LISTENERS 8
#define RTU_FRAME_REQUEST 0  /* direction: sent by the master */
#define RTU_FRAME_RESPONSE 1 /* direction: received by the master (no bytes: nothing arrived) */
#define RTU_OUTCOME_SENT 0
#define RTU_OUTCOME_SEND_FAILED 1
#define RTU_OUTCOME_ACCEPTED 2
#define RTU_OUTCOME_EXCEPTION 3
#define RTU_OUTCOME_BAD_CRC 4        /* discarded */
#define RTU_OUTCOME_WRONG_SLAVE 5    /* discarded */
#define RTU_OUTCOME_WRONG_FUNCTION 6 /* discarded */
#define RTU_OUTCOME_BAD_BYTE_COUNT 7 /* discarded */
#define RTU_OUTCOME_ECHO_MISMATCH 8  /* discarded */
#define RTU_OUTCOME_NO_RESPONSE 9    /* time-out, nothing arrived */
#define RTU_OUTCOME_TRUNCATED 10     /* time-out, part of a response arrived */
#define RTU_OUTCOME_LATE 11          /* arrived after its deadline; dropped before the next request */
#define RTU_OUTCOME_STREAM 12        /* raw history stream bytes */
typedef struct RTUFrame {
    long long timeUs; /* monotonic microseconds: request written, or last response byte read */
    int direction;    /* RTU_FRAME_* */
    int outcome;      /* RTU_OUTCOME_* */
    int retry;        /* 1: a request repeated by the register-read retry */
    int length;
    const unsigned char* bytes;
} RTUFrame;
typedef void (*RTUFrameFn)(const RTUFrame* frame, void* user);
/* 1 added; 0 when fn is null, the pair is already attached or RTU_TAP_LISTENERS are. */
RTU_API int RTUAddFrameListener(RTUFrameFn fn, void* user);
/* Once it returns, fn is not running and will not be called again with user. */
RTU_API void RTURemoveFrameListener(RTUFrameFn fn, void* user);

#ifdef __cplusplus
}
#endif

#endif /* TALVEX_RTU_H */
