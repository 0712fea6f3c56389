#include "server/endpoint_config.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/temp_dir.h"

namespace {

using namespace server;

TEST(EndpointConfigTest, LaterFilesOverrideEarlierOnes) {
    testsupport::TempDir tmp;
    const std::string system = tmp.file("system.conf"), user = tmp.file("user.conf");
    std::ofstream(system) << "# the vendor's server\nhost = support.vendor.example\nport = 8080\n";
    std::ofstream(user) << "\n  port=8443  \r\n";
    const EndpointConfigResult read = readEndpointConfig({system, tmp.file("missing.conf"), user});
    EXPECT_EQ(read.error, "");
    EXPECT_EQ(read.endpoint.host, "support.vendor.example");
    EXPECT_EQ(read.endpoint.port, 8443);
    EXPECT_FALSE(readEndpointConfig({tmp.file("missing.conf")}).endpoint.host.has_value());
}

TEST(EndpointConfigTest, MalformedFilesNameFileAndLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"host = a\nport = abc\n", "line 2: port wants a number from 1 to 65535, not 'abc'"},
        {"port = 0\n", "line 1: port wants a number"},
        {"port = 70000\n", "line 1: port wants a number"},
        {"host =\n", "line 1: host wants a host name"},
        {"host = http://x\n", "line 1: host wants a host name"},
        {"# fine\nserver: x\n", "line 2: expected 'host = NAME' or 'port = N'"},
        {"colour = blue\n", "line 1: unknown setting 'colour'"},
    };
    testsupport::TempDir tmp;
    const std::string path = tmp.file("updater.conf");
    for (const auto& [text, error] : cases) {
        std::ofstream(path) << text;
        const EndpointConfigResult read = readEndpointConfig({path});
        EXPECT_EQ(read.error.rfind(path + " " + error, 0), 0u) << read.error;
    }
}

TEST(EndpointConfigTest, DefaultPathsFollowXdg) {
    const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = oldXdg != nullptr ? oldXdg : "";
    ::setenv("XDG_CONFIG_HOME", "/x/conf", 1);
    EXPECT_EQ(defaultConfigPaths(),
              (std::vector<std::string>{"/etc/arvex/updater.conf", "/x/conf/arvex/updater.conf"}));
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", ::getenv("HOME") != nullptr ? ::getenv("HOME") : "/home/u", 1);
    EXPECT_EQ(defaultConfigPaths().back(), std::string(::getenv("HOME")) + "/.config/arvex/updater.conf");
    if (oldXdg != nullptr) ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
}

}  // namespace
