// What the checker finds wrong with a module, each kind under a stable
// identifier that scripts can match.
#pragma once

#include <string>
#include <vector>

enum Severity { SEVERITY_BREACH, SEVERITY_WARNING };

struct Finding {
    std::string id;
    Severity severity;
    std::string message;
};

typedef std::vector<Finding> Findings;

inline void add_finding(Findings& findings, const char* id, Severity severity,
                        const std::string& message)
{
    findings.push_back(Finding{id, severity, message});
}

inline const char* severity_name(Severity severity)
{
    return severity == SEVERITY_BREACH ? "breach" : "warning";
}
