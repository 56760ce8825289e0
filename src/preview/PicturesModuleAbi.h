#pragma once

// The functions of the vannerby-pictures library, as vannerby-cli finds them
// by name. Raise the number whenever one of them changes.
#include <stddef.h>

#define VANNERBY_PICTURES_ABI 1

#if defined(_WIN32)
#define VANNERBY_PICTURES_EXPORT __declspec(dllexport)
#else
#define VANNERBY_PICTURES_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {
// VANNERBY_PICTURES_ABI of the library.
typedef int (*VannerbyPicturesAbi)(void);
// 1 when an entry of that stored name (UTF-8) is converted, else 0.
typedef int (*VannerbyPicturesIsPicture)(const char *entryName);
// 1 with *png (freed by VannerbyPicturesFree) and *pngSize set; 0 with why
// (English, cut to whySize) set when the picture cannot be converted.
typedef int (*VannerbyPicturesToPng)(const char *entryName, const char *data, size_t size,
                                     char **png, size_t *pngSize, char *why, size_t whySize);
typedef void (*VannerbyPicturesFree)(char *png);
}
