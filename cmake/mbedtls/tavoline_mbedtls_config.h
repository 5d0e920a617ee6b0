/* Mbed TLS built for the archive core's encrypted entries (WinZip AES): only AES, SHA-1, the message
   digest layer for HMAC, and PBKDF2. Nothing that needs an entropy source, a file or a socket. */
#ifndef TAVOLINE_MBEDTLS_CONFIG_H
#define TAVOLINE_MBEDTLS_CONFIG_H

#define MBEDTLS_HAVE_ASM
#define MBEDTLS_AES_C
/* AES-NI where Mbed TLS has it as assembly (x86-64), chosen at run time by CPUID; elsewhere its tables. */
#define MBEDTLS_AESNI_C
#define MBEDTLS_SHA1_C
#define MBEDTLS_MD_C
#define MBEDTLS_PKCS5_C
/* Its platform layer (calloc, free, snprintf), which Mbed TLS requires on Windows. */
#define MBEDTLS_PLATFORM_C

#include "mbedtls/check_config.h"

#endif
