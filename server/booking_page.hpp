// The public pages of a booking link, as whole HTML documents: plain forms that work with scripts
// off, one small inline stylesheet, nothing fetched from elsewhere. Every text that came from the
// owner or a visitor is escaped.
#pragma once

#include <string>
#include <vector>

#include "server/openings.hpp"
#include "server/storage.hpp"

namespace talewick::server::booking_page {

// The opening's title and length, its free slots grouped by day as the slots' own UTC offset
// places them (each day says its offset), and one form: a radio button per slot, name, e-mail
// and note. `kept` fills the form again after a refusal, `error` says why (empty: none). With no
// free slot left the page says so and has no form.
std::string formPage(const Opening& opening, const std::vector<std::string>& freeSlots,
                     const openings::BookingForm& kept = {}, const std::string& error = {});

// What the visitor reads once the request is recorded: confirmed, or waiting for the owner.
std::string confirmationPage(const Opening& opening, const Booking& booking);

// The page of an address that names no opening.
std::string missingPage();

// "mardi 15 décembre 2026" for the date written in `slot`, and "09:30" for its time; empty when
// `slot` does not read as a slot.
std::string dayText(const std::string& slot);
std::string timeText(const std::string& slot);

}  // namespace talewick::server::booking_page
