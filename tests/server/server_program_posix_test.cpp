#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/ServerRunner.h"
#include "support/TestClient.h"
#include "support/TestUser.h"

namespace {

// The program on a port of its own choosing, its stdout on a pipe.
class ServerProgram {
public:
    explicit ServerProgram(const std::string& folder)
    {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        const std::string outbox = folder + "/outbox";
        const std::string reports = folder + "/reports.log";
        m_pid = fork();
        if (m_pid == 0) {
            dup2(fds[1], 1);
            close(fds[0]);
            close(fds[1]);
            execl(TARNIX_SERVER_PROGRAM, TARNIX_SERVER_PROGRAM, "--port", "0", "--outbox", outbox.c_str(),
                  "--report-log", reports.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        m_out = fds[0];
    }

    ~ServerProgram()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0)
            close(m_out);
    }

    // The first line of stdout, within the time.
    std::string FirstLine(int milliseconds)
    {
        std::string line;
        while (line.find('\n') == std::string::npos) {
            pollfd entry{m_out, POLLIN, 0};
            if (poll(&entry, 1, milliseconds) <= 0)
                break;
            char buffer[256];
            const ssize_t got = read(m_out, buffer, sizeof(buffer));
            if (got <= 0)
                break;
            line.append(buffer, static_cast<std::size_t>(got));
        }
        return line.substr(0, line.find('\n'));
    }

    // Asks the program to stop; its exit code.
    int Stop()
    {
        kill(m_pid, SIGTERM);
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t m_pid = -1;
    int m_out = -1;
};

} // namespace

TEST(ServerProgram, PrintsTheChosenPortServesAndStopsOnRequest)
{
    const std::string folder = MakeScratchFolder("tarnix-server-program");
    {
        ServerProgram program(folder);
        const std::string line = program.FirstLine(10000);
        const std::string prefix = "listening on 127.0.0.1:";
        ASSERT_EQ(line.compare(0, prefix.size(), prefix), 0) << line;
        const int port = std::stoi(line.substr(prefix.size()));
        ASSERT_GT(port, 0);

        CRawTestClient client;
        CTestUser user(client, static_cast<std::uint16_t>(port));
        ASSERT_NE(user.Join(IdOf(1)), 0u);
        ASSERT_EQ(user.SendReport("UL{\t}{x}"), ST_SUCCESS);
        std::uint32_t value = 0;
        ASSERT_EQ(user.KeepAlive(value), ST_SUCCESS);
        EXPECT_EQ(program.Stop(), 0);
        EXPECT_TRUE(std::filesystem::exists(folder + "/reports.log"));
    }
    std::error_code error;
    std::filesystem::remove_all(folder, error);
}
