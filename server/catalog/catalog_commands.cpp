#include "server/catalog/catalog_commands.h"

#include "common/argument_reader.h"
#include "common/catalog_statement.h"
#include "common/package_statement.h"
#include "common/release_statement.h"
#include "common/version.h"
#include "server/catalog/catalog_lock.h"
#include "server/catalog/catalog_replacement.h"
#include "server/reports/report_commands.h"
#include "server/catalog/demo_catalog.h"
#include "server/catalog/driver_package_reader.h"
#include "server/catalog/package_signing.h"
#include "service/release_answer.h"
#include "server/catalog/sqlite_catalog_store.h"
#include "server/catalog/statement_signing.h"
#include "server/catalog/synthetic_catalog.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct arguments_c {
    std::map<std::string, std::string> options;
    std::vector<std::string> operands;
};

// Options that take no value.
const char* const valueless_options[] = {"--no-wait"};

// "--name value" pairs, flags ("--name", kept as "1") and plain operands; false with `problem`
// for an option without its value.
bool split_arguments(int argc, char** argv, int first, arguments_c& out, std::string& problem) {
    argument_reader_c reader(std::vector<std::string>(argv + first, argv + argc));
    std::string value;
    while (!reader.done()) {
        const std::string argument = reader.current();
        if (argument.compare(0, 2, "--") != 0) {
            out.operands.push_back(reader.take_operand());
            continue;
        }
        bool flag = false;
        for (const char* name : valueless_options) flag = flag || reader.take_switch(name);
        if (flag) out.options[argument.substr(2)] = "1";
        else if (reader.take_value(argument, value) && !reader.failed()) out.options[argument.substr(2)] = value;
    }
    problem = reader.problem();
    return !reader.failed();
}

int fail(const std::string& message) {
    std::fprintf(stderr, "vantorel-catalog: %s\n", message.c_str());
    return 1;
}

const char* const usage_text =
    "usage: vantorel-catalog COMMAND [options]\n"
    "Keeps the update server's driver catalog. Every change writes a new catalog file beside the\n"
    "old one and renames it into place; send the servers SIGHUP afterwards to load it. One change\n"
    "at a time: a change waits for one in progress (FILE.lock), or with --no-wait fails at once.\n"
    "  import --catalog FILE --packages DIR [--title T] [--official-link URL] [--sign 0|1|3] ARCHIVE...\n"
    "         [--max-inf-bytes N] [--max-model-lines N] [--max-records N]   (per package; defaults\n"
    "         64 MiB of INF files, 100000 model lines, 250000 catalog records)\n"
    "         [--signing-key FILE [--valid-days N]]   (signs each package with the catalog owner's secret key)\n"
    "         [--channel stable|testing]   (testing: offered only to programs that take testing packages\n"
    "         until it graduates, by hand or after enough good install reports)\n"
    "  remove --catalog FILE NAME...          (the archives stay until prune)\n"
    "  prune --catalog FILE --packages DIR    (deletes archives the catalog no longer names)\n"
    "  list --catalog FILE                    (each package's entries, whether it is signed, and the release)\n"
    "  sign --catalog FILE --packages DIR --signing-key FILE [--valid-days N]\n"
    "         (signs every package from its archive; one whose archive is missing or differs from\n"
    "         the one imported is named and left unsigned, and the exit status is 1)\n"
    "  withdraw --catalog FILE --signing-key FILE --reason TEXT [--valid-days N] SHA256...\n"
    "         (names packages withdrawn by their archive's SHA-256: servers no longer offer them,\n"
    "         and programs refuse to install them and show the reason where one is installed)\n"
    "  Every command given --signing-key also signs the catalog as a whole: a serial one higher\n"
    "  than the last (and at least the current time in seconds), the withdrawn packages, and an\n"
    "  expiry --valid-days ahead (default 30, at most 3650). Programs refuse an answer whose\n"
    "  statement has expired: sign again before then.\n"
    "  release --catalog FILE --packages DIR --installer FILE --version V --signing-key FILE\n"
    "         (records the program's newest release: the installer is copied into the packages\n"
    "         folder, and served with its signed size and SHA-256 at GET /release)\n"
    "  keygen --secret FILE --public FILE     (a new key pair; the secret file is made with mode\n"
    "         0600, and no existing file is replaced)\n"
    "  demo --catalog FILE --packages DIR [--signing-key FILE [--valid-days N]]\n"
    "  synthetic --catalog FILE [--count N] [--seed S]\n"
    "  reports --reports-db FILE|URL [--package SHA256]   (install reports per package and hardware ID:\n"
    "         reports, installed, not better, failed, and whether the package is demoted there)\n"
    "  demote --reports-db FILE|URL SHA256 HARDWARE_ID   (no longer offered to that hardware ID)\n"
    "  promote --reports-db FILE|URL SHA256 HARDWARE_ID  (offered again; reports count afresh from now)\n"
    "  graduate --reports-db FILE|URL SHA256   (a package imported into testing is offered to everyone)\n"
    "  (import, remove, prune, sign, withdraw, release, demo and synthetic also take --no-wait)\n"
    "  synthetic-request --out FILE [--devices N] [--ids N] [--count N] [--seed S]\n"
    "  --help, --version\n"
    "Exit status: 0 done, 1 failed (the message says which file and why), 2 wrong command line.\n";

// A wrong command line: what is wrong, then the usage, on standard error.
int misuse(const std::string& message) {
    std::fprintf(stderr, "vantorel-catalog: %s\n%s", message.c_str(), usage_text);
    return 2;
}

std::string option(const arguments_c& arguments, const char* name, const std::string& fallback = {}) {
    auto found = arguments.options.find(name);
    return found == arguments.options.end() ? fallback : found->second;
}

// The new version of the catalog, opened for changing: a copy of the current one, or an empty one.
std::unique_ptr<sqlite_catalog_store_c> open_new_version(const arguments_c& arguments, bool from_current,
                                                         catalog_replacement_c& replacement, std::string& error) {
    std::string path = option(arguments, "catalog");
    if (!replacement.begin(path, from_current, error)) return nullptr;
    auto store = sqlite_catalog_store_c::open(replacement.staging_path(), true, error);
    if (!store) error = "cannot make a new version of the catalog " + path + ": " + error;
    return store;
}

// The same, with the packages it holds read.
std::unique_ptr<sqlite_catalog_store_c> open_new_version(const arguments_c& arguments, catalog_replacement_c& replacement,
                                                         std::vector<catalog_package_c>& packages, std::string& error) {
    auto store = open_new_version(arguments, true, replacement, error);
    if (store && !store->load_packages(packages, error)) store.reset();
    return store;
}

// Closes the store and puts the new version in place.
bool put_in_place(std::unique_ptr<sqlite_catalog_store_c>& store, catalog_replacement_c& replacement, std::string& error) {
    store.reset();
    return replacement.commit(error);
}

// Archives are copied beside their final names first, so that no reader ever sees a half-written
// one under a package's name.
bool stage_archive(const std::string& source, const fs::path& partial, std::string& error) {
    std::error_code code;
    fs::create_directories(partial.parent_path(), code);
    fs::copy_file(source, partial, fs::copy_options::overwrite_existing, code);
    if (code) {
        fs::remove(partial, code);
        error = "cannot copy " + source + " to " + partial.string() + ": " + code.message();
        return false;
    }
    return true;
}

// A whole-number option from `least` to `most`, where given (`value` stays as it is where not);
// false, with `problem` naming the option, when its value is no such number.
template <typename Number>
bool number_option(const arguments_c& arguments, const char* name, std::uint64_t least, std::uint64_t most, Number& value,
                   std::string& problem) {
    auto found = arguments.options.find(name);
    if (found == arguments.options.end()) return true;
    std::optional<std::uint64_t> number = parse_whole_number(found->second, least, most);
    if (!number) {
        problem = number_problem("--" + std::string(name), least, most, found->second);
        return false;
    }
    value = Number(*number);
    return true;
}

// The terms a signing command signs the catalog's statement on: --valid-days where given; false
// with the problem when it is no number of days from 1 to 3650.
bool read_statement_terms(const arguments_c& arguments, statement_terms_c& terms, std::string& problem) {
    return number_option(arguments, "valid-days", 1, 3650, terms.valid_days, problem);
}

// Signs the catalog as a whole with the key (statement_signing.h) and says so.
bool sign_statement(catalog_store_c& store, const signing_key_c& key, const statement_terms_c& terms, std::string& error) {
    catalog_statement_c made;
    if (!sign_catalog_statement(store, key, terms, made, error)) return false;
    std::printf("catalog statement %llu signed, valid until %s, %zu package(s) withdrawn\n",
                static_cast<unsigned long long>(made.serial), utc_moment_text(made.expires).c_str(), made.withdrawn.size());
    return true;
}

// Per-package bounds: up to twelve digits.
constexpr std::uint64_t most_bound = 999999999999u;

// The options every imported package is read with; false with the problem.
bool read_import_options(const arguments_c& arguments, package_options_c& options, std::string& problem) {
    options.title = option(arguments, "title");
    options.official_link = option(arguments, "official-link");
    if (!number_option(arguments, "max-inf-bytes", 0, most_bound, options.bounds.inf_bytes, problem) ||
        !number_option(arguments, "max-model-lines", 0, most_bound, options.bounds.model_lines, problem) ||
        !number_option(arguments, "max-records", 0, most_bound, options.bounds.records, problem))
        return false;
    std::string sign = option(arguments, "sign");
    if (!sign.empty()) {
        if (sign != "0" && sign != "1" && sign != "3") {
            problem = "--sign takes 0 (WHQL), 1 (other signature) or 3 (unsigned)";
            return false;
        }
        options.sign = sign[0] - '0';
    }
    return true;
}

// The archives go in place before the catalog names them: a server never offers a package whose
// file is missing, and an archive whose import fails afterwards is simply not offered. False (with
// nothing left behind of a partial copy) when one cannot be put in place.
bool place_archives(const std::vector<catalog_package_c>& packages, const std::vector<std::string>& sources,
                    const std::string& folder, std::string& error) {
    std::vector<fs::path> staged;
    auto unstage = [&staged] {
        std::error_code ignored;
        for (const auto& partial : staged) fs::remove(partial, ignored);
    };
    for (std::size_t i = 0; i < packages.size(); ++i) {
        staged.push_back(fs::path(folder) / (packages[i].file_name + ".part"));
        if (!stage_archive(sources[i], staged.back(), error)) return unstage(), false;
    }
    for (std::size_t i = 0; i < packages.size(); ++i) {
        std::error_code code;
        fs::rename(staged[i], fs::path(folder) / packages[i].file_name, code);
        if (code) {
            error = "cannot put " + packages[i].file_name + " in place: " + code.message();
            return unstage(), false;
        }
    }
    return true;
}

int import_packages(const arguments_c& arguments) {
    std::string error, folder = option(arguments, "packages");
    if (arguments.operands.empty()) return misuse("name at least one package archive to import");
    package_options_c options;
    statement_terms_c terms;
    if (!read_import_options(arguments, options, error) || !read_statement_terms(arguments, terms, error)) return misuse(error);
    const std::string channel = option(arguments, "channel");
    if (!channel.empty() && channel != "stable" && channel != "testing") return misuse("--channel takes stable or testing");
    // A testing package graduates by its install reports, which name it by its signed digest.
    if (channel == "testing" && !arguments.options.count("signing-key"))
        return misuse("--channel testing needs --signing-key: a package graduates by the reports on its signed digest");
    signing_key_c key;
    const bool signing = arguments.options.count("signing-key") != 0;
    if (signing && !key.read(option(arguments, "signing-key"), error)) return fail(error);
    // Every archive is read, and checked against the catalog, before anything changes: one
    // broken or conflicting package imports none.
    std::vector<catalog_package_c> packages;
    std::vector<std::string> sources;
    std::map<std::string, std::string> md5_by_name;
    for (const std::string& archive : arguments.operands) {
        catalog_package_c package;
        if (!read_driver_package(archive, options, package, error)) return fail(error);
        package.testing = channel == "testing";
        // The digest is of the bytes just read: those are what is copied into the packages folder.
        if (signing && !sign_package(package, key)) return fail(package.file_name + ": no digest to sign");
        auto [named, fresh] = md5_by_name.emplace(package.file_name, package.md5);
        if (!fresh) {
            if (named->second != package.md5) return fail("two different archives are named " + package.file_name);
            continue;  // the same archive named twice
        }
        sources.push_back(archive);
        packages.push_back(std::move(package));
    }
    catalog_replacement_c replacement;
    std::vector<catalog_package_c> existing;
    auto store = open_new_version(arguments, replacement, existing, error);
    if (!store) return fail(error);
    for (const auto& known : existing) {
        auto clash = md5_by_name.find(known.file_name);
        if (clash != md5_by_name.end() && clash->second != known.md5)
            return fail("a different package named " + known.file_name + " is already in the catalog");
    }
    if (!place_archives(packages, sources, folder, error)) return fail(error);
    if (!store->add_packages(packages, error) || (signing && !sign_statement(*store, key, terms, error)) ||
        !put_in_place(store, replacement, error))
        return fail(error);
    for (const auto& package : packages)
        std::printf("imported %s: %zu INF file(s), %zu device IDs%s%s\n", package.file_name.c_str(), package.infs.size(),
                    package.entries.size(), signing ? ", signed" : "", package.testing ? ", testing" : "");
    return 0;
}

int remove_packages(const arguments_c& arguments) {
    std::string error;
    if (arguments.operands.empty()) return misuse("name at least one package to remove");
    catalog_replacement_c replacement;
    auto store = open_new_version(arguments, true, replacement, error);
    if (!store) return fail(error);
    for (const std::string& name : arguments.operands)
        if (!store->remove_package(name, error)) return fail(error);
    if (!put_in_place(store, replacement, error)) return fail(error);
    // The archives stay: servers still serving the old catalog offer them until they reload.
    // "prune" deletes them afterwards.
    for (const std::string& name : arguments.operands) std::printf("removed %s (its archive stays until prune)\n", name.c_str());
    return 0;
}

// Deletes the archives in the packages folder that the catalog no longer names: run it once every
// server has loaded the catalog, so that no answer still links them.
int prune_archives(const arguments_c& arguments) {
    std::string error, folder = option(arguments, "packages");
    auto store = sqlite_catalog_store_c::open_read_only(option(arguments, "catalog"), error);
    std::vector<catalog_package_c> packages;
    if (!store || !store->load_packages(packages, error)) return fail(error);
    std::set<std::string> named;
    for (const auto& package : packages) named.insert(package.file_name);
    std::optional<catalog_release_c> release;
    if (!store->load_release(release, error)) return fail(error);
    if (release) named.insert(release->file_name);  // the installer GET /release links
    std::error_code code;
    std::vector<fs::path> unnamed;
    for (fs::directory_iterator at(folder, code), end; !code && at != end; at.increment(code)) {
        std::string name = at->path().filename().string();
        // ".part" files are archives an import is putting in place.
        if (at->is_regular_file() && !named.count(name) && fs::path(name).extension() != ".part") unnamed.push_back(at->path());
    }
    if (code) return fail("cannot read the packages folder " + folder + ": " + code.message());
    for (const fs::path& archive : unnamed) {
        if (!fs::remove(archive, code) && code) return fail("cannot delete " + archive.string() + ": " + code.message());
        std::printf("deleted %s\n", archive.filename().string().c_str());
    }
    return 0;
}

int list_packages(const arguments_c& arguments) {
    std::string error;
    auto store = sqlite_catalog_store_c::open_read_only(option(arguments, "catalog"), error);
    std::vector<catalog_package_c> packages;
    if (!store || !store->load_packages(packages, error)) return fail(error);
    for (const auto& package : packages) {
        std::printf("%s\t%llu bytes\tsign %d\t%s\t%s%s\n", package.file_name.c_str(),
                    static_cast<unsigned long long>(package.size), package.sign, package_signed(package) ? "signed" : "unsigned",
                    package.title.c_str(), package.testing ? "\ttesting" : "");
        for (const auto& entry : package.entries) {
            const catalog_inf_c& inf = package.infs[entry.inf_index];
            // The models section's decoration where the catalog knows it ("" is the undecorated section).
            std::string section = entry.models_line < 0 ? entry.architecture + " " + std::to_string(entry.os_major) + "." +
                                                              std::to_string(entry.os_minor)
                                                        : "[" + entry.decoration + "]";
            std::printf("\t%s\t%s\t%s\t%s %s\n", entry.device_id.c_str(), inf.inf_path.c_str(), section.c_str(),
                        inf.driver_date.c_str(), inf.driver_version.c_str());
        }
    }
    std::optional<catalog_release_c> release;
    if (!store->load_release(release, error)) return fail(error);
    if (release)
        std::printf("release %s\t%s\t%llu bytes\tsha256 %s\n", release->version.c_str(), release->file_name.c_str(),
                    static_cast<unsigned long long>(release->size), release->sha256.c_str());
    std::optional<catalog_statement_c> statement;
    if (!store->load_statement(statement, error)) return fail(error);
    if (statement) {
        std::printf("statement %llu\tvalid until %s\n", static_cast<unsigned long long>(statement->serial),
                    utc_moment_text(statement->expires).c_str());
        for (const auto& package : statement->withdrawn)
            std::printf("withdrawn %s\t%s\n", package.sha256.c_str(), package.reason.c_str());
    }
    return 0;
}

int demo(const arguments_c& arguments) {
    std::string error, folder = option(arguments, "packages"), catalog = option(arguments, "catalog");
    statement_terms_c terms;
    if (!read_statement_terms(arguments, terms, error)) return misuse(error);
    signing_key_c key;
    const bool signing = arguments.options.count("signing-key") != 0;
    if (signing && !key.read(option(arguments, "signing-key"), error)) return fail(error);
    catalog_replacement_c replacement;
    if (!replacement.begin(catalog, false, error) ||
        !build_demo_catalog(folder, replacement.staging_path(), error, signing ? &key : nullptr))
        return fail(error);
    if (signing) {
        auto store = sqlite_catalog_store_c::open(replacement.staging_path(), false, error);
        if (!store || !sign_statement(*store, key, terms, error)) return fail(error);
    }
    if (!replacement.commit(error)) return fail(error);
    std::printf("demo catalog: %zu packages in %s%s\n", demo_packages().size(), folder.c_str(), signing ? ", signed" : "");
    return 0;
}

// Signs every package of the catalog from its archive in the packages folder. A package whose
// archive is missing, or is not the one imported (another size or MD5), is named and left
// unsigned: a signature of other bytes than the catalog describes would only be refused.
namespace {

// Why the statements the catalog holds for a package are not what its archive says, read again
// from the archive: every INF path, version and date; empty when they are.
std::string catalog_differs_from_archive(const catalog_package_c& package, const std::string& archive) {
    catalog_package_c read;
    std::string error;
    if (!read_driver_package(archive, package_options_c{}, read, error)) return error;
    for (const catalog_inf_c& inf : package.infs) {
        auto found = std::find_if(read.infs.begin(), read.infs.end(),
                                  [&inf](const catalog_inf_c& in_archive) { return in_archive.inf_path == inf.inf_path; });
        if (found == read.infs.end()) return archive + " holds no " + inf.inf_path + ", which the catalog names";
        if (found->driver_version != inf.driver_version || found->driver_date != inf.driver_date)
            return inf.inf_path + " in " + archive + " says version " + found->driver_version + " of " +
                   found->driver_date + ", the catalog " + inf.driver_version + " of " + inf.driver_date;
    }
    return {};
}

}  // namespace

// Signs what the archives themselves say: the digests and each INF's path, version and date are
// read again from the archive, never taken from the catalog database alone.
int sign_catalog(const arguments_c& arguments) {
    std::string error, folder = option(arguments, "packages");
    statement_terms_c terms;
    if (!read_statement_terms(arguments, terms, error)) return misuse(error);
    signing_key_c key;
    if (!key.read(option(arguments, "signing-key"), error)) return fail(error);
    catalog_replacement_c replacement;
    std::vector<catalog_package_c> packages;
    auto store = open_new_version(arguments, replacement, packages, error);
    if (!store) return fail(error);
    std::size_t signed_count = 0, refused = 0;
    for (catalog_package_c& package : packages) {
        archive_digests_c digests;
        std::string why;
        std::string archive = (fs::path(folder) / package.file_name).string();
        if (!read_archive_digests(archive, digests, why)) {
            why = archive + " " + why;
        } else if (digests.size != package.size) {
            why = archive + " holds " + std::to_string(digests.size) + " bytes, the catalog says " + std::to_string(package.size);
        } else if (digests.md5 != package.md5) {
            why = archive + " is not the archive imported (its MD5 differs)";
        } else if ((why = catalog_differs_from_archive(package, archive)).empty()) {
            package.sha256 = digest_hex(digests.sha256);
            if (sign_package(package, key)) {
                ++signed_count;
                continue;
            }
            why = "no digest to sign";
        }
        std::fprintf(stderr, "vantorel-catalog: %s left unsigned: %s\n", package.file_name.c_str(), why.c_str());
        ++refused;
        package.sha256.clear();
        for (catalog_inf_c& inf : package.infs) inf.signature.clear();
    }
    if (!store->update_signatures(packages, error) || !sign_statement(*store, key, terms, error) ||
        !put_in_place(store, replacement, error))
        return fail(error);
    std::printf("signed %zu of %zu packages with the key %s\n", signed_count, packages.size(),
                public_key_text(key.public_key()).c_str());
    return refused ? 1 : 0;
}

// Names packages withdrawn by their archive's digest and signs the catalog's statement anew. A
// digest the catalog does not hold is named all the same: programs may still hold a package
// removed from the catalog before.
int withdraw_packages(const arguments_c& arguments) {
    std::string error, reason = condensed_text(option(arguments, "reason"));
    if (arguments.operands.empty()) return misuse("name the SHA-256 of at least one package to withdraw");
    if (reason.empty()) return misuse("--reason needs a text");
    statement_terms_c terms;
    if (!read_statement_terms(arguments, terms, error)) return misuse(error);
    std::vector<std::string> digests;
    for (const std::string& operand : arguments.operands) {
        auto digest = digest_from_hex(operand);
        if (!digest) return misuse(operand + " is no SHA-256 (64 hex digits)");
        digests.push_back(digest_hex(*digest));
    }
    signing_key_c key;
    if (!key.read(option(arguments, "signing-key"), error)) return fail(error);
    catalog_replacement_c replacement;
    std::vector<catalog_package_c> packages;
    auto store = open_new_version(arguments, replacement, packages, error);
    if (!store) return fail(error);
    for (const std::string& digest : digests) {
        auto named = std::find_if(packages.begin(), packages.end(), [&](const catalog_package_c& p) { return p.sha256 == digest; });
        std::printf("withdrawn %s%s\n", digest.c_str(),
                    named == packages.end() ? " (no package of the catalog has it)" : (" (" + named->file_name + ")").c_str());
        terms.withdraw.push_back({digest, reason});
    }
    if (!sign_statement(*store, key, terms, error) || !put_in_place(store, replacement, error)) return fail(error);
    return 0;
}

// Records the program's newest release: the installer goes into the packages folder beside the
// archives (under its own name, so that its link names it), then the catalog names it with the
// signature of its statement. Servers answer GET /release with it once they have loaded the catalog.
int record_release(const arguments_c& arguments) {
    std::string error, folder = option(arguments, "packages"), installer = option(arguments, "installer");
    std::string version = option(arguments, "version");
    if (compare_versions(version, version) != 0) return misuse("--version takes a dotted version number, as 1.2.0");
    const std::string name = fs::path(installer).filename().string();
    if (!valid_package_file_name(name) || name.size() < 5 || name.compare(name.size() - 4, 4, ".exe") != 0)
        return fail("the installer " + name + " needs a name of letters, digits and \". _ - +\" ending in .exe");
    signing_key_c key;
    if (!key.read(option(arguments, "signing-key"), error)) return fail(error);
    archive_digests_c digests;
    if (!read_archive_digests(installer, digests, error)) return fail(error);
    if (digests.size == 0 || digests.size > UINT32_MAX) return fail("the installer " + installer + " is empty or larger than 4 GiB");
    catalog_release_c release{version, name, digests.size, digest_hex(digests.sha256), {}};
    release.signature = signature_hex(key.sign(release_statement({name, digests.size, digests.sha256, version})));
    catalog_replacement_c replacement;
    std::vector<catalog_package_c> packages;
    auto store = open_new_version(arguments, replacement, packages, error);
    if (!store) return fail(error);
    for (const auto& package : packages)
        if (package.file_name == name) return fail("a package of the catalog is named " + name + " already");
    // In place before the catalog names it, as archives are: no server links a missing file.
    const fs::path partial = fs::path(folder) / (name + ".part");
    if (!stage_archive(installer, partial, error)) return fail(error);
    std::error_code code;
    fs::rename(partial, fs::path(folder) / name, code);
    if (code) return fs::remove(partial, code), fail("cannot put " + name + " in place: " + code.message());
    if (!store->record_release(release, error) || !put_in_place(store, replacement, error)) return fail(error);
    std::printf("release %s: %s, %llu bytes, sha256 %s, signed with the key %s\n", version.c_str(), name.c_str(),
                static_cast<unsigned long long>(release.size), release.sha256.c_str(), public_key_text(key.public_key()).c_str());
    return 0;
}

// A new key pair for signing the catalog: the secret file stays offline, with whoever signs.
int keygen(const arguments_c& arguments) {
    std::string error, secret = option(arguments, "secret"), public_file = option(arguments, "public");
    if (!make_signing_key_files(secret, public_file, error)) return fail(error);
    std::printf("secret key in %s, public key in %s\n", secret.c_str(), public_file.c_str());
    return 0;
}

// Synthetic catalogs and requests: far more than any real catalog or PC, and seeds of 32 bits.
constexpr std::uint64_t most_synthetic_packages = 100000000, most_synthetic_devices = 1000000, most_synthetic_ids = 10000;
constexpr std::uint64_t most_seed = 0xFFFFFFFFu;

int synthetic(const arguments_c& arguments) {
    std::string error;
    std::size_t count = 100000;
    std::uint32_t seed = 1;
    if (!number_option(arguments, "count", 0, most_synthetic_packages, count, error) ||
        !number_option(arguments, "seed", 0, most_seed, seed, error))
        return misuse(error);
    catalog_replacement_c replacement;
    auto store = open_new_version(arguments, false, replacement, error);
    if (!store || !store->add_packages(synthetic_packages(count, seed), error) || !put_in_place(store, replacement, error))
        return fail(error);
    std::printf("synthetic catalog: %zu packages\n", count);
    return 0;
}

// A posted scan request as the program sends it, for load generators: the multipart body with
// the boundary "vantorel-load-boundary".
int synthetic_request(const arguments_c& arguments) {
    std::size_t devices = 300, ids = 10, count = 100000;
    std::uint32_t seed = 1;
    std::string error;
    if (!number_option(arguments, "devices", 0, most_synthetic_devices, devices, error) ||
        !number_option(arguments, "ids", 0, most_synthetic_ids, ids, error) ||
        !number_option(arguments, "count", 0, most_synthetic_packages, count, error) ||
        !number_option(arguments, "seed", 0, most_seed, seed, error))
        return misuse(error);
    std::string out = option(arguments, "out");
    std::string document = synthetic_request_document(devices, ids, count, seed);
    uLongf size = compressBound(uLong(document.size()));
    std::string compressed(size, '\0');
    if (compress(reinterpret_cast<Bytef*>(compressed.data()), &size, reinterpret_cast<const Bytef*>(document.data()),
                 uLong(document.size())) != Z_OK)
        return fail("cannot compress the request");
    compressed.resize(size);
    std::string body = "--vantorel-load-boundary\r\nContent-Disposition: form-data; name=\"kelvdoc\"\r\n\r\n" + compressed +
                       "\r\n--vantorel-load-boundary--\r\n";
    std::ofstream file(out, std::ios::binary);
    file.write(body.data(), std::streamsize(body.size()));
    if (!file) return fail("cannot write " + out);
    return 0;
}

int report_table(const arguments_c& arguments) {
    return print_report_table(option(arguments, "reports-db"), option(arguments, "package"));
}

int demotion_change(const arguments_c& arguments, bool demoted) {
    if (arguments.operands.size() != 2) return misuse("name the package's SHA-256 and the hardware ID");
    return set_package_demoted(option(arguments, "reports-db"), arguments.operands[0], arguments.operands[1], demoted);
}

int demote_package(const arguments_c& arguments) { return demotion_change(arguments, true); }
int promote_package(const arguments_c& arguments) { return demotion_change(arguments, false); }

int graduate(const arguments_c& arguments) {
    if (arguments.operands.size() != 1) return misuse("name the package's SHA-256");
    return graduate_package(option(arguments, "reports-db"), arguments.operands[0]);
}

// Each command's options, and which of them it cannot do without.
struct command_c {
    const char* name;
    int (*run)(const arguments_c&);
    std::vector<std::string> options, required;
    bool operands;
    bool changes_catalog;  // holds the catalog's lock while it runs
};

// Runs a command that changes the catalog (or, for prune, deletes what it does not name) under
// the catalog's lock, so that no other change can start from the catalog it is replacing.
int run_locked(const command_c& command, const arguments_c& arguments) {
    catalog_lock_c lock;
    std::string error;
    if (!lock.acquire(option(arguments, "catalog"), std::string("vantorel-catalog ") + command.name,
                      !arguments.options.count("no-wait"), error))
        return fail(error);
    return command.run(arguments);
}

}  // namespace

int run_catalog_tool(int argc, char** argv) {
    static const std::vector<command_c> commands{
        {"import", import_packages,
         {"catalog", "packages", "title", "official-link", "sign", "no-wait", "max-inf-bytes", "max-model-lines", "max-records",
          "signing-key", "valid-days", "channel"},
         {"catalog", "packages"}, true, true},
        {"remove", remove_packages, {"catalog", "packages", "no-wait"}, {"catalog"}, true, true},
        {"prune", prune_archives, {"catalog", "packages", "no-wait"}, {"catalog", "packages"}, false, true},
        {"list", list_packages, {"catalog"}, {"catalog"}, false, false},
        {"sign", sign_catalog, {"catalog", "packages", "signing-key", "valid-days", "no-wait"},
         {"catalog", "packages", "signing-key"}, false, true},
        {"release", record_release,
         {"catalog", "packages", "installer", "version", "signing-key", "no-wait"},
         {"catalog", "packages", "installer", "version", "signing-key"}, false, true},
        {"keygen", keygen, {"secret", "public"}, {"secret", "public"}, false, false},
        {"withdraw", withdraw_packages,
         {"catalog", "signing-key", "reason", "valid-days", "no-wait"}, {"catalog", "signing-key", "reason"}, true, true},
        {"demo", demo, {"catalog", "packages", "no-wait", "signing-key", "valid-days"}, {"catalog", "packages"}, false, true},
        {"synthetic", synthetic, {"catalog", "count", "seed", "no-wait"}, {"catalog"}, false, true},
        {"synthetic-request", synthetic_request, {"out", "devices", "ids", "count", "seed"}, {"out"}, false, false},
        {"reports", report_table, {"reports-db", "package"}, {"reports-db"}, false, false},
        {"demote", demote_package, {"reports-db"}, {"reports-db"}, true, false},
        {"promote", promote_package, {"reports-db"}, {"reports-db"}, true, false},
        {"graduate", graduate, {"reports-db"}, {"reports-db"}, true, false},
    };
    if (argc < 2) return misuse("name a command");
    std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") return std::fputs(usage_text, stdout), 0;
    if (name == "--version") return std::printf("vantorel-catalog %s\n", VANTOREL_VERSION), 0;
    auto command = std::find_if(commands.begin(), commands.end(), [&name](const command_c& c) { return name == c.name; });
    if (command == commands.end()) return misuse("unknown command " + name);
    arguments_c arguments;
    std::string problem;
    if (!split_arguments(argc, argv, 2, arguments, problem)) return misuse(problem);
    for (const auto& [option_name, value] : arguments.options) {
        if (std::find(command->options.begin(), command->options.end(), option_name) == command->options.end())
            return misuse(name + " takes no option --" + option_name);
        if (value.empty()) return misuse("--" + option_name + " needs a value");
    }
    for (const std::string& required : command->required)
        if (!arguments.options.count(required)) return misuse(name + " needs --" + required);
    if (!command->operands && !arguments.operands.empty()) return misuse(name + " takes no operand " + arguments.operands.front());
    return command->changes_catalog ? run_locked(*command, arguments) : command->run(arguments);
}
