#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

// Whether a browser reads the host of an http or https address, as it stands there,
// as one that can exist: an IPv4 address in any form browsers take ("192.0.2.1",
// "0xC0.0.2.1"), an IPv6 address in brackets, or a domain name of at least two
// labels, in Unicode or percent-encoded, that passes UTS #46.
bool isWebHost(std::string_view host);

// A domain as browsers read it in an http or https address, in ASCII: percent-escapes
// decoded, then mapped by UTS #46 (letters to lower case, full-width forms and
// ideographic full stops to ASCII, ignored code points such as the soft hyphen and
// the zero-width space dropped, other scripts to "xn--" labels). Nothing when a
// browser refuses it.
std::optional<std::string> webDomainInAscii(std::string_view host);

// Whether what stands after the host's ":" is a port a browser takes: digits only,
// at most 65535; an empty port is the scheme's own.
bool isPort(std::string_view port);

// The bytes a browser reads from "%41"-style escapes in a host; a "%" without two
// hexadecimal digits stays.
std::string percentDecoded(std::string_view text);

// Whether a text is the domain of an e-mail address: a name of at least two labels of
// letters, digits and hyphens, in Unicode too, that passes UTS #46 with its standard
// rules; no IP address, no final dot.
bool isMailDomain(std::string_view domain);

} // namespace quorvane
