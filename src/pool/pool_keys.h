#pragma once
// The proxy pool's section of Config.ini and its keys. Apart from pool_settings.h: files that
// include Asio are compiled as UTF-8 and must not see these texts.

namespace qv {

inline constexpr const char* kPoolSection = "代理池";
inline constexpr const char* kKeyPoolAddress = "地址";
inline constexpr const char* kKeyPoolPassword = "密码";
inline constexpr const char* kKeyPoolUser = "用户";
inline constexpr const char* kKeyPoolKey = "键";
inline constexpr const char* kKeyPoolNode = "节点";
inline constexpr const char* kKeyPoolProxyPort = "端口";
inline constexpr const char* kKeyPoolTtl = "存活秒数";
inline constexpr const char* kKeyPoolAllowedRanges = "允许网段";
inline constexpr const char* kKeyPoolCheck = "检查";
inline constexpr const char* kKeyPoolCheckUrl = "检查网址";
inline constexpr const char* kKeyPoolRotating = "同时重拔";
inline constexpr const char* kKeyPoolSeenMinutes = "不重复分钟";
inline constexpr const char* kKeyPoolSeenPrefix = "不重复前缀";
inline constexpr const char* kKeyPoolCommands = "命令";

}  // namespace qv
