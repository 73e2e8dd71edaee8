// The HTTP statuses the score server answers with.
#pragma once

inline constexpr unsigned kOk = 200;
inline constexpr unsigned kNotModified = 304;
inline constexpr unsigned kBadRequest = 400;
inline constexpr unsigned kNotFound = 404;
inline constexpr unsigned kBadMethod = 405;
inline constexpr unsigned kConflict = 409;
inline constexpr unsigned kTooLarge = 413;
inline constexpr unsigned kUriTooLong = 414;
inline constexpr unsigned kUnprocessable = 422;
inline constexpr unsigned kTooManyRequests = 429;
inline constexpr unsigned kTooManyHeaders = 431;
inline constexpr unsigned kNotImplemented = 501;
inline constexpr unsigned kUnavailable = 503;
inline constexpr unsigned kGone = 410;
inline constexpr unsigned kInsufficientStorage = 507;
