// vantorel-catalog's report commands: the install reports as a table, the operator's demote and
// promote of a package for a hardware ID, and graduate out of the testing channel.
#pragma once

#include <string>

// Prints the table (one package's pairs when `package_sha256` is not empty); the exit status.
int print_report_table(const std::string& reports_db, const std::string& package_sha256);

// Demotes (or promotes) the package for the hardware ID; the exit status. Servers see it within
// their --demotion-refresh-seconds.
int set_package_demoted(const std::string& reports_db, const std::string& package_sha256, const std::string& hardware_id,
                        bool demoted);

// Offers a package of the testing channel to everyone; the exit status. Servers see it within
// their --demotion-refresh-seconds.
int graduate_package(const std::string& reports_db, const std::string& package_sha256);
