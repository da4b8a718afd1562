#pragma once
// The control channel of the simulated network printer, shared by the printer (a Linux program
// started by scripts/wine-run inside the private network namespace) and the Windows tests that
// drive it. One text line per command over TCP to 127.0.0.1 of the PC side; one reply line,
// "ok ..." or "error <reason>".
//
//   reset                           forget all printers and the request log
//   add [from=A] [ip=B] [size=N] [limit=N] [delay=MS] [to=X,Y|any] [model=TEXT]
//                                   a printer that answers from address A with the address B in
//                                   its answer (default: A), answers of N bytes (default 116;
//                                   0 to 2048), at most N answers (default -1: no limit), each
//                                   MS milliseconds after its request (default 0), only to
//                                   requests from the listed PC addresses; model= takes the
//                                   rest of the line (up to 64 bytes go into the answer).
//                                   Reply "ok <id>".
//   stop <id>                       the printer stops answering
//   answers <id>                    "ok <answers sent>"
//   requests                        "ok total=<n> valid=<n> sources=<addr:port,...>" (valid: the
//                                   exact 32-byte request; sources of the valid ones in order)
//   pc-addresses none|LINK=A/n ...  removes the IPv4 addresses of every PC-side link
//                                   ("kelno-pc<i>") and gives the named links the addresses
#include <cstdint>

namespace kelno::simulated_printer {

inline constexpr std::uint16_t kControlPort = 22400;
inline constexpr char kPcLinkPrefix[] = "kelno-pc";  // PC side of each veth pair: kelno-pc0, kelno-pc1, ...

}  // namespace kelno::simulated_printer
