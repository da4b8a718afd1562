// The simulated network printers of the discovery tests: a Linux program (built with the host
// compiler) that scripts/wine-run starts inside the test's private network namespace.
//
// It opens its control port on 127.0.0.1 of the PC side first, then moves itself into a network
// namespace of its own; wine-run moves the link "kelno-prn" into that namespace and gives it the
// printer addresses. There it listens on UDP port 22368 for the 32-byte discovery request and
// answers every valid one with an answer per configured printer. The Windows test configures
// the printers over the control port (protocol in control_protocol.h). It never touches any
// other network: both namespaces are private to the test run.
#include <arpa/inet.h>
#include <net/if.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "control_protocol.h"

namespace {

using namespace kelno::simulated_printer;

constexpr std::uint16_t kDiscoveryPort = 22368;
constexpr std::size_t kAnswerSize = 116;
constexpr std::size_t kMaxAnswerSize = 2048;
constexpr std::uint8_t kRequest[32] = {
    0x00, 0x20, 0x00, 0x01, 0x00, 0x01, 0x08, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x06, 0x00, 0x00,
    0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00,
};

struct Printer {
    int id = 0;
    in_addr from{};  // answers are sent from this address
    std::uint8_t payloadAddress[4]{};
    std::string model = "MX-410";
    std::size_t size = kAnswerSize;
    long limit = -1;
    std::vector<in_addr> to;  // empty: answers every PC address
    long delayMs = 0;         // answers leave this long after the request
    long answered = 0;
    bool stopped = false;
};

struct PendingAnswer {
    std::chrono::steady_clock::time_point due;
    int printerId;
    sockaddr_in to;
};

struct Client {
    int fd;
    std::string pending;
};

std::vector<Printer> printers;
std::vector<PendingAnswer> pendingAnswers;
int nextPrinterId = 1;
long requestsTotal = 0;
long requestsValid = 0;
std::vector<std::string> requestSources;
int pcNamespace = -1;
int printerNamespace = -1;

void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Log(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::fputs("simulated-printer: ", stderr);
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
    va_end(args);
}

std::string AddressText(in_addr address) {
    char text[INET_ADDRSTRLEN] = "";
    inet_ntop(AF_INET, &address, text, sizeof(text));
    return text;
}

bool ParseAddress(const std::string& text, in_addr& address) { return inet_pton(AF_INET, text.c_str(), &address) == 1; }

bool ParseNumber(const std::string& text, long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text.c_str(), &end, 10);
    return errno == 0 && end && *end == '\0';
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos) return parts;
        start = at + 1;
    }
}

std::vector<std::uint8_t> MakeAnswer(const Printer& printer) {
    std::vector<std::uint8_t> answer(kAnswerSize, 0);
    // Bytes the PC does not interpret carry a pattern, so that a parser reading them shows.
    for (std::size_t i = 0; i < 44; ++i) answer[i] = static_cast<std::uint8_t>(0xA0 + i % 16);
    std::memcpy(&answer[44], printer.payloadAddress, 4);
    std::memset(&answer[48], 0xEE, 4);
    const std::size_t modelBytes = std::min<std::size_t>(printer.model.size(), 64);
    std::memcpy(&answer[52], printer.model.data(), modelBytes);
    answer.resize(printer.size, 0xCC);
    return answer;
}

// Sends from the printer's own address (IP_PKTINFO), whatever address the request came to.
void SendAnswer(int udp, const Printer& printer, const sockaddr_in& to) {
    const std::vector<std::uint8_t> answer = MakeAnswer(printer);
    iovec data{const_cast<std::uint8_t*>(answer.data()), answer.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr message{};
    message.msg_name = const_cast<sockaddr_in*>(&to);
    message.msg_namelen = sizeof(to);
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof(control);
    cmsghdr* header = CMSG_FIRSTHDR(&message);
    header->cmsg_level = IPPROTO_IP;
    header->cmsg_type = IP_PKTINFO;
    header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo info{};
    info.ipi_spec_dst = printer.from;
    std::memcpy(CMSG_DATA(header), &info, sizeof(info));
    if (sendmsg(udp, &message, 0) < 0)
        Log("printer %d: answer to %s failed: %s", printer.id, AddressText(to.sin_addr).c_str(), std::strerror(errno));
    else
        Log("printer %d: %zu-byte answer to %s:%u", printer.id, answer.size(), AddressText(to.sin_addr).c_str(),
            ntohs(to.sin_port));
}

void OnRequest(int udp) {
    std::uint8_t buffer[kMaxAnswerSize];
    sockaddr_in from{};
    socklen_t fromLength = sizeof(from);
    const ssize_t received = recvfrom(udp, buffer, sizeof(buffer), 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (received < 0) return;
    ++requestsTotal;
    const bool valid =
        received == static_cast<ssize_t>(sizeof(kRequest)) && std::memcmp(buffer, kRequest, sizeof(kRequest)) == 0;
    const std::string source = AddressText(from.sin_addr) + ":" + std::to_string(ntohs(from.sin_port));
    Log("%zd-byte %s request from %s", received, valid ? "valid" : "foreign", source.c_str());
    if (!valid) return;
    ++requestsValid;
    requestSources.push_back(source);
    const auto now = std::chrono::steady_clock::now();
    for (Printer& printer : printers) {
        const bool wanted = printer.to.empty() || std::any_of(printer.to.begin(), printer.to.end(), [&](in_addr a) {
                                return a.s_addr == from.sin_addr.s_addr;
                            });
        if (wanted) pendingAnswers.push_back({now + std::chrono::milliseconds(printer.delayMs), printer.id, from});
    }
}

// Sends the answers that are due; a printer that was stopped, removed or used up meanwhile
// stays silent. Returns the milliseconds until the next one is due, or -1.
int SendDueAnswers(int udp) {
    const auto now = std::chrono::steady_clock::now();
    auto due = std::stable_partition(pendingAnswers.begin(), pendingAnswers.end(),
                                     [&](const PendingAnswer& a) { return a.due > now; });
    const std::vector<PendingAnswer> sending(due, pendingAnswers.end());
    pendingAnswers.erase(due, pendingAnswers.end());
    for (const PendingAnswer& answer : sending) {
        auto printer =
            std::find_if(printers.begin(), printers.end(), [&](const Printer& p) { return p.id == answer.printerId; });
        if (printer == printers.end() || printer->stopped ||
            (printer->limit >= 0 && printer->answered >= printer->limit))
            continue;
        SendAnswer(udp, *printer, answer.to);
        ++printer->answered;
    }
    if (pendingAnswers.empty()) return -1;
    auto next = std::min_element(pendingAnswers.begin(), pendingAnswers.end(),
                                 [](const PendingAnswer& a, const PendingAnswer& b) { return a.due < b.due; });
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next->due - now).count();
    return static_cast<int>(std::max<long long>(wait, 0) + 1);
}

// Runs "ip <args...>" in the current network namespace; true when it exits with 0.
bool RunIp(const std::vector<std::string>& args) {
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>("ip"));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp("ip", argv.data());
        execv("/usr/sbin/ip", argv.data());
        execv("/sbin/ip", argv.data());
        _exit(127);
    }
    int status = 0;
    if (waitpid(child, &status, 0) < 0) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The PC-side links of the bench, seen from the current network namespace.
std::vector<std::string> PcLinks() {
    std::vector<std::string> links;
    struct if_nameindex* names = if_nameindex();
    if (!names) return links;
    for (const struct if_nameindex* n = names; n->if_index != 0; ++n)
        if (std::strncmp(n->if_name, kPcLinkPrefix, std::strlen(kPcLinkPrefix)) == 0) links.push_back(n->if_name);
    if_freenameindex(names);
    return links;
}

std::string SetPcAddresses(const std::string& arguments) {
    std::vector<std::pair<std::string, std::string>> wanted;  // link, address
    if (arguments != "none") {
        for (const std::string& item : Split(arguments, ' ')) {
            const std::size_t equals = item.find('=');
            if (equals == std::string::npos) return "error expected LINK=ADDRESS: " + item;
            const std::string link = item.substr(0, equals), address = item.substr(equals + 1);
            if (link.rfind(kPcLinkPrefix, 0) != 0 ||
                link.find_first_not_of("abcdefghijklmnopqrstuvwxyz-0123456789") != std::string::npos)
                return "error not a PC link: " + link;
            if (address.empty() || address.find_first_not_of("0123456789./") != std::string::npos)
                return "error bad address " + address;
            wanted.emplace_back(link, address);
        }
    }
    if (setns(pcNamespace, CLONE_NEWNET) != 0) return std::string("error setns ") + std::strerror(errno);
    bool ok = true;
    for (const std::string& link : PcLinks()) ok = RunIp({"-4", "addr", "flush", "dev", link}) && ok;
    for (const auto& [link, address] : wanted) ok = RunIp({"addr", "add", address, "dev", link}) && ok;
    if (setns(printerNamespace, CLONE_NEWNET) != 0) {
        Log("cannot return to the printer namespace: %s", std::strerror(errno));
        std::exit(4);
    }
    Log("PC addresses now: %s", arguments.c_str());
    return ok ? "ok" : "error ip failed";
}

std::string AddPrinter(const std::string& arguments) {
    Printer printer;
    printer.id = nextPrinterId;
    bool haveFrom = false, haveIp = false;
    std::string rest = arguments;
    while (!rest.empty()) {
        const std::size_t begin = rest.find_first_not_of(' ');
        if (begin == std::string::npos) break;
        rest.erase(0, begin);
        if (rest.compare(0, 6, "model=") == 0) {
            printer.model = rest.substr(6);
            break;
        }
        const std::size_t end = rest.find(' ');
        const std::string word = rest.substr(0, end);
        rest.erase(0, end == std::string::npos ? rest.size() : end);
        const std::size_t equals = word.find('=');
        if (equals == std::string::npos) return "error expected key=value: " + word;
        const std::string key = word.substr(0, equals), value = word.substr(equals + 1);
        long number = 0;
        if (key == "from") {
            if (!ParseAddress(value, printer.from)) return "error bad from";
            haveFrom = true;
        } else if (key == "ip") {
            in_addr address{};
            if (!ParseAddress(value, address)) return "error bad ip";
            std::memcpy(printer.payloadAddress, &address, 4);
            haveIp = true;
        } else if (key == "size") {
            if (!ParseNumber(value, number) || number < 0 || number > static_cast<long>(kMaxAnswerSize))
                return "error bad size";
            printer.size = static_cast<std::size_t>(number);
        } else if (key == "delay") {
            if (!ParseNumber(value, number) || number < 0 || number > 60000) return "error bad delay";
            printer.delayMs = number;
        } else if (key == "limit") {
            if (!ParseNumber(value, number)) return "error bad limit";
            printer.limit = number;
        } else if (key == "to") {
            if (value != "any") {
                for (const std::string& a : Split(value, ',')) {
                    in_addr address{};
                    if (!ParseAddress(a, address)) return "error bad to";
                    printer.to.push_back(address);
                }
            }
        } else {
            return "error unknown key " + key;
        }
    }
    if (!haveFrom) ParseAddress("10.77.0.50", printer.from);
    if (!haveIp) std::memcpy(printer.payloadAddress, &printer.from, 4);
    printers.push_back(printer);
    ++nextPrinterId;
    Log("printer %d: from %s model \"%s\" size %zu limit %ld delay %ld ms", printer.id,
        AddressText(printer.from).c_str(), printer.model.c_str(), printer.size, printer.limit, printer.delayMs);
    return "ok " + std::to_string(printer.id);
}

Printer* FindPrinter(const std::string& idText) {
    long id = 0;
    if (!ParseNumber(idText, id)) return nullptr;
    for (Printer& p : printers)
        if (p.id == id) return &p;
    return nullptr;
}

std::string Execute(const std::string& line) {
    const std::size_t space = line.find(' ');
    const std::string command = line.substr(0, space);
    const std::string arguments = space == std::string::npos ? "" : line.substr(space + 1);
    if (command == "reset") {
        printers.clear();
        pendingAnswers.clear();
        requestsTotal = requestsValid = 0;
        requestSources.clear();
        return "ok";
    }
    if (command == "add") return AddPrinter(arguments);
    if (command == "stop" || command == "answers") {
        Printer* printer = FindPrinter(arguments);
        if (!printer) return "error no printer " + arguments;
        if (command == "stop") {
            printer->stopped = true;
            return "ok";
        }
        return "ok " + std::to_string(printer->answered);
    }
    if (command == "requests") {
        std::string sources;
        for (const std::string& s : requestSources) sources += (sources.empty() ? "" : ",") + s;
        return "ok total=" + std::to_string(requestsTotal) + " valid=" + std::to_string(requestsValid) +
               " sources=" + sources;
    }
    if (command == "pc-addresses") return SetPcAddresses(arguments);
    return "error unknown command " + command;
}

// Reads what a control client sent and answers each complete line. False when it hung up.
bool OnClientData(Client& client) {
    char buffer[1024];
    const ssize_t received = recv(client.fd, buffer, sizeof(buffer), 0);
    if (received <= 0) return false;
    client.pending.append(buffer, static_cast<std::size_t>(received));
    if (client.pending.size() > 8192) return false;
    for (std::size_t end; (end = client.pending.find('\n')) != std::string::npos;) {
        std::string line = client.pending.substr(0, end);
        client.pending.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string reply = Execute(line) + "\n";
        Log("control: %s -> %s", line.c_str(), reply.substr(0, reply.size() - 1).c_str());
        if (send(client.fd, reply.data(), reply.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(reply.size()))
            return false;
    }
    return true;
}

int OpenControl(std::uint16_t port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || listen(fd, 8) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

int OpenDiscoveryListener() {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof(on));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(kDiscoveryPort);
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

int main(int argc, char** argv) {
    std::uint16_t port = kControlPort;
    if (argc == 3 && std::strcmp(argv[1], "--control-port") == 0) port = static_cast<std::uint16_t>(std::atoi(argv[2]));
    setvbuf(stderr, nullptr, _IOLBF, 0);

    const int control = OpenControl(port);
    if (control < 0) {
        Log("cannot open the control port 127.0.0.1:%u: %s", port, std::strerror(errno));
        return 2;
    }
    pcNamespace = open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
    if (pcNamespace < 0 || unshare(CLONE_NEWNET) != 0) {
        Log("cannot make the printers' network namespace: %s", std::strerror(errno));
        return 3;
    }
    printerNamespace = open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
    const int udp = OpenDiscoveryListener();
    if (printerNamespace < 0 || udp < 0) {
        Log("cannot listen on UDP port %u: %s", kDiscoveryPort, std::strerror(errno));
        return 3;
    }
    Log("control on 127.0.0.1:%u, listening on UDP port %u", port, kDiscoveryPort);

    std::vector<Client> clients;
    int timeoutMs = -1;
    for (;;) {
        std::vector<pollfd> fds{{control, POLLIN, 0}, {udp, POLLIN, 0}};
        for (const Client& c : clients) fds.push_back({c.fd, POLLIN, 0});
        const int ready = poll(fds.data(), fds.size(), timeoutMs);
        if (ready < 0) {
            if (errno == EINTR) continue;
            return 1;
        }
        if (fds[0].revents & POLLIN) {
            const int fd = accept4(control, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) clients.push_back({fd, {}});
        }
        if (fds[1].revents & POLLIN) OnRequest(udp);
        timeoutMs = SendDueAnswers(udp);
        for (std::size_t i = 2; i < fds.size(); ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            auto client =
                std::find_if(clients.begin(), clients.end(), [&](const Client& c) { return c.fd == fds[i].fd; });
            if (client != clients.end() && !OnClientData(*client)) {
                close(client->fd);
                clients.erase(client);
            }
        }
    }
}
