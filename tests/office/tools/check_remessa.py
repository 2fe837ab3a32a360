#!/usr/bin/env python3
"""Checks a collection remittance file for Banco Itau's 400-position layout, written apart from
the program: every record 400 ASCII characters and CR LF, header / details / trailer in order,
counters 1..n, fixed texts, dates, amounts in cents, the account's check digit and the payers'
CPF check digits. Prints the number of slips and their total in cents; exit 1 with the first
problem."""
import datetime
import sys


def fail(n, why):
    print(f"registro {n}: {why}")
    sys.exit(1)


def mod10(digits):
    total, weight = 0, 2
    for ch in reversed(digits):
        p = int(ch) * weight
        total += p // 10 + p % 10
        weight = 1 if weight == 2 else 2
    return (10 - total % 10) % 10


def cpf_ok(cpf):
    if len(cpf) != 11 or not cpf.isdigit():
        return False
    for size in (9, 10):
        s = sum(int(cpf[i]) * (size + 1 - i) for i in range(size))
        d = 11 - s % 11
        if (0 if d > 9 else d) != int(cpf[size]):
            return False
    return True


def date_ok(text):
    try:
        datetime.datetime.strptime(text, "%d%m%y")
        return True
    except ValueError:
        return False


def field(rec, start, end):  # positions 1-based, inclusive
    return rec[start - 1:end]


data = open(sys.argv[1], "rb").read()
if not data.endswith(b"\r\n"):
    fail(0, "sem CR LF no fim")
lines = data[:-2].split(b"\r\n")
if len(lines) < 3:
    fail(0, "menos de tres registros")
records = []
for n, raw in enumerate(lines, 1):
    if len(raw) != 400:
        fail(n, f"tamanho {len(raw)}")
    if any(b < 32 or b > 126 for b in raw):
        fail(n, "caractere fora do ASCII")
    rec = raw.decode("ascii")
    if field(rec, 395, 400) != f"{n:06d}":
        fail(n, "sequencial " + field(rec, 395, 400))
    records.append(rec)

h = records[0]
if field(h, 1, 1) != "0" or field(h, 2, 2) != "1" or field(h, 3, 9) != "REMESSA":
    fail(1, "header")
if field(h, 10, 11) != "01" or field(h, 12, 26).rstrip() != "COBRANCA":
    fail(1, "servico")
agencia, conta, dac = field(h, 27, 30), field(h, 33, 37), field(h, 38, 38)
if not (agencia + conta + dac).isdigit() or field(h, 31, 32) != "00":
    fail(1, "agencia/conta")
if mod10(agencia + conta) != int(dac):
    fail(1, "DAC da conta")
if field(h, 77, 79) != "341" or field(h, 80, 94).rstrip() != "BANCO ITAU SA":
    fail(1, "banco")
if not date_ok(field(h, 95, 100)):
    fail(1, "data de geracao")
if field(h, 47, 76).strip() == "":
    fail(1, "nome da empresa")

t = records[-1]
if field(t, 1, 1) != "9" or field(t, 2, 394).strip() != "":
    fail(len(records), "trailer")

total = 0
for n, d in enumerate(records[1:-1], 2):
    if field(d, 1, 1) != "1":
        fail(n, "tipo de registro")
    kind, doc = field(d, 2, 3), field(d, 4, 17)
    if kind not in ("01", "02") or not doc.isdigit():
        fail(n, "inscricao da empresa")
    if kind == "01" and (doc[:3] != "000" or not cpf_ok(doc[3:])):
        fail(n, "CPF da empresa")
    if field(d, 18, 21) != agencia or field(d, 24, 28) != conta or field(d, 29, 29) != dac:
        fail(n, "agencia/conta do detalhe")
    if not field(d, 63, 70).isdigit() or field(d, 71, 83) != "0" * 13:
        fail(n, "nosso numero")
    if not field(d, 84, 86).isdigit() or field(d, 108, 108) != "I" or field(d, 109, 110) != "01":
        fail(n, "carteira/ocorrencia")
    if not field(d, 111, 115).isdigit():
        fail(n, "numero do documento")
    if not date_ok(field(d, 121, 126)) or not date_ok(field(d, 151, 156)):
        fail(n, "datas")
    valor = field(d, 127, 139)
    if not valor.isdigit() or int(valor) == 0:
        fail(n, "valor")
    total += int(valor)
    if field(d, 140, 142) != "341" or field(d, 148, 149) != "17" or field(d, 150, 150) != "N":
        fail(n, "banco/especie/aceite")
    if field(d, 219, 220) != "01" or field(d, 221, 223) != "000" or not cpf_ok(field(d, 224, 234)):
        fail(n, "CPF do sacado")
    if field(d, 235, 264).strip() == "":
        fail(n, "nome do sacado")
    if field(d, 386, 394) != "00000000 ":
        fail(n, "mora/prazo")
print(len(records) - 2, total)
