; SPDX-License-Identifier: GPL-2.0-or-later
; Blinks a LED on RB0 of a PIC16F84 (4 MHz crystal), about twice a second.
; Also sets the ID locations and puts a short text in the data EEPROM, so that every area of
; the chip is written.
        list    p=16f84
        #include <p16f84.inc>

        __config _XT_OSC & _PWRTE_ON & _WDT_OFF & _CP_OFF
        __idlocs 0x1001                 ; ID words 1, 0, 0, 1

compte1 equ     0x0C
compte2 equ     0x0D
compte3 equ     0x0E

        org     0
        goto    debut

        org     4
        retfie                          ; no interrupt is enabled

debut   bsf     STATUS, RP0
        clrf    TRISB ^ 0x80            ; port B as outputs
        bcf     STATUS, RP0
        clrf    PORTB
boucle  movlw   0x01
        xorwf   PORTB, f                ; toggles RB0
        call    pause
        goto    boucle

; About 250 ms: 2 x 256 x 256 passes of 3 cycles (1 us each).
pause   movlw   2
        movwf   compte3
p3      clrf    compte2
p2      clrf    compte1
p1      decfsz  compte1, f
        goto    p1
        decfsz  compte2, f
        goto    p2
        decfsz  compte3, f
        goto    p3
        return

        org     0x2100                  ; data EEPROM
        de      "KORVAL", 0

        end
