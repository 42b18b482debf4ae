; SPDX-License-Identifier: GPL-2.0-or-later
; Image of a 24C16 serial EEPROM (2048 bytes): a text message at address 0 and a signature in
; the last line. gpasm lays the bytes of db out at their own addresses for the 16-bit core
; PICs, which is the plain byte layout of an EEPROM image; nothing here is PIC code. Each db
; line holds an even number of bytes (gpasm pads an odd one with a 0).
        list    p=18f452

        org     0
        db      "Bonjour ! Ce message a ete ecrit", 0x0D, 0x0A
        db      "dans une 24C16 par korval-cli.", 0x0D, 0x0A
        db      0, 0

        org     0x7F0
        db      "KORVAL 24C16 FIN"

        end
