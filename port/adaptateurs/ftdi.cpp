// SPDX-License-Identifier: GPL-2.0-or-later
// FTDI chip in synchronous bit-bang mode through libftdi1: the queue of Backend_file, the pins of
// Cablage_adaptateur. Every libftdi1 call of the program is in this file.
#include "core/messages.h"
#include "port/adaptateurs.h"
#include "port/backend_file.h"

#include <ftdi.h>

#include <algorithm>
#include <vector>

namespace {

// The chip sends a sample per byte only while its FIFO towards the host has room: never more
// unread bytes than the smallest FIFO (FT232R: 128).
constexpr std::size_t octets_par_echange = 128;

class Transport_ftdi final : public Transport_synchrone {
  public:
    Transport_ftdi(std::string d, const Cablage_adaptateur& c, int o)
        : description(std::move(d)), cablage(c), octets_par_s(o) {}
    ~Transport_ftdi() override { ferme(); }

    bool ouvre() override {
        ctx = ftdi_new();
        if (!ctx) return echec("mémoire insuffisante");
        const int r = description.empty() ? ftdi_usb_open(ctx, 0x0403, 0x6001)
                                          : ftdi_usb_open_string(ctx, description.c_str());
        if (r < 0) {
            const bool ok = echec("ouverture impossible");
            ftdi_free(ctx);
            ctx = nullptr;
            return ok;
        }
        usb_ouvert = true;
        // Outputs: every wired line but DATA_IN. Their resting byte goes out first, in the
        // serial mode's pin states, before the outputs are enabled.
        uint8_t sorties = 0;
        for (int l = 0; l < NB_LIGNES; ++l) {
            const int p = cablage.lignes[static_cast<std::size_t>(l)].broche;
            if (l != L_DATA_IN && p >= 0 && p <= 7)
                sorties = static_cast<uint8_t>(sorties | 1u << p);
        }
        if (ftdi_set_latency_timer(ctx, 1) < 0 || ftdi_set_bitmode(ctx, 0, BITMODE_SYNCBB) < 0 ||
            ftdi_tcioflush(ctx) < 0)
            return echec_ferme("réglage du mode bit-bang refusé");
        const uint8_t repos = broches_ftdi(0, cablage);
        uint8_t echantillon = 0;
        if (!echange({&repos, 1}, {&echantillon, 1}) ||
            ftdi_set_bitmode(ctx, sorties, BITMODE_SYNCBB) < 0)
            return echec_ferme("réglage des sorties refusé");
        // With bit-bang on, libftdi1 multiplies the rate it is given by 4, and the chip clocks
        // its bytes at up to 16 times that: the byte rate asked is the fastest the pins may go,
        // so that the padding of every wait is long enough whatever the real factor.
        if (ftdi_set_baudrate(ctx, std::max(octets_par_s / 64, 1)) < 0)
            return echec_ferme("horloge du bit-bang refusée");
        return true;
    }

    void ferme() override {
        if (!ctx) return;
        if (usb_ouvert) {
            ftdi_set_bitmode(ctx, 0, BITMODE_RESET);
            ftdi_usb_close(ctx);
        }
        ftdi_free(ctx);
        ctx = nullptr;
        usb_ouvert = false;
    }

    bool echange(std::span<const uint8_t> sortie, std::span<uint8_t> entree) override {
        if (!ctx) return false;
        octets.resize(sortie.size());
        std::transform(sortie.begin(), sortie.end(), octets.begin(),
                       [this](uint8_t r) { return broches_ftdi(r, cablage); });
        const int p_entree = cablage.lignes[L_DATA_IN].broche;
        for (std::size_t debut = 0; debut < octets.size(); debut += octets_par_echange) {
            const int n = static_cast<int>(std::min(octets_par_echange, octets.size() - debut));
            if (ftdi_write_data(ctx, octets.data() + debut, n) != n)
                return echec("écriture refusée");
            // A read may bring fewer bytes than asked, even none: read until all are back.
            for (int lus = 0; lus < n;) {
                const int r = ftdi_read_data(ctx, octets.data() + debut + lus, n - lus);
                if (r < 0) return echec("lecture refusée");
                lus += r;
            }
        }
        for (std::size_t k = 0; k < octets.size(); ++k) {
            const bool niveau = p_entree >= 0 && p_entree <= 7 && ((octets[k] >> p_entree) & 1u);
            entree[k] = etat_pour_entree(niveau, cablage);
        }
        return true;
    }

    int64_t horloge_ns() override { return horloge_monotone_ns(); }
    void attend(int64_t debut_ns, int64_t duree_ns) override {
        while (horloge_monotone_ns() - debut_ns < duree_ns) {}
    }

  private:
    bool echec(const char* quoi) {
        message_erreur(std::string("Adaptateur FTDI ") +
                           (description.empty() ? "i:0x0403:0x6001" : description) + " : " + quoi +
                           " (" + (ctx ? ftdi_get_error_string(ctx) : "") + ")",
                       0);
        return false;
    }
    bool echec_ferme(const char* quoi) {
        echec(quoi);
        ferme();
        return false;
    }

    std::string description;
    Cablage_adaptateur cablage;
    int octets_par_s;
    ftdi_context* ctx = nullptr;
    bool usb_ouvert = false;
    std::vector<uint8_t> octets;
};

} // namespace

std::unique_ptr<Backend_port> cree_adaptateur_ftdi(const std::string& description,
                                                   const Cablage_adaptateur& cablage,
                                                   int octets_par_s) {
    Rythme_file r;
    r.periode_octet_ns = 1'000'000'000 / std::max(octets_par_s, 1);
    return std::make_unique<Backend_file>(
        std::make_unique<Transport_ftdi>(description, cablage, octets_par_s), r);
}
