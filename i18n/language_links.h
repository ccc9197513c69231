// Where the localised web pages live: deployment configuration, kept in one place. The
// sub-site (the first label of the host name) is chosen per language.
#pragma once

constexpr const wchar_t* product_site_domain = L"vantorel.example";   // product page: <sub>.<domain>
constexpr const wchar_t* service_site_domain = L"drivers.vantorel.example";  // FAQ: <sub>.<domain>
constexpr const wchar_t* product_page_path = L"/product_vantorel.php";
constexpr const wchar_t* faq_page_path = L"/faq.php";
constexpr const wchar_t* help_page_path = L"/help.php";
