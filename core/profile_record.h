// The logon data of one SAP system as read from its profile file. Every field is
// fixed-capacity text; the capacities are those of the profile keys.
#pragma once

#include "core/bounded_text.h"

struct profile_data {
    bounded_text<63> extcompany;   // external company name, validation only
    bounded_text<11> destination;  // RFC destination, shown in messages and texts
    bounded_text<11> client;       // SAP client
    bounded_text<47> user;         // logon user, upper-cased
    bounded_text<31> password;     // plain password after unscrambling
    bounded_text<31> language;     // logon language
    bounded_text<31> mode;         // "R/2" selects CPIC, anything else R/3
    bounded_text<47> hostname;     // application server
    bounded_text<31> sysnr;        // system number
    bounded_text<61> gwhost;       // gateway host
    bounded_text<31> gwservice;    // gateway service
};
