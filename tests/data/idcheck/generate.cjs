// Check-digit table for the cross-check of our identifier validators.
// Run with: npm ci && npm run generate   (in this folder; writes ../id_check_digits.tsv)
// Every CPF and CNPJ row is computed by two independent packages and written only when they agree;
// CAEPF, NIT (PIS/PASEP) and RENAVAM rows come from validation-br alone.
// Bases come from a seeded generator, so running it again gives the same table.
'use strict';
const ccv = require('cpf-cnpj-validator');
const { CPF } = require('validation-br/cpf');
const { CNPJ } = require('validation-br/cnpj');
const { CAEPF } = require('validation-br/caepf');
const { PIS } = require('validation-br/pis-pasep');
const { Renavam } = require('validation-br/renavam');

let seed = 20260101;
function random() {  // mulberry32
  seed = (seed + 0x6d2b79f5) | 0;
  let t = Math.imul(seed ^ (seed >>> 15), 1 | seed);
  t = (t + Math.imul(t ^ (t >>> 7), 61 | t)) ^ t;
  return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
}
function pick(alphabet, n) {
  let s = '';
  for (let i = 0; i < n; i++) s += alphabet[Math.floor(random() * alphabet.length)];
  return s;
}
const DIGITS = '0123456789';
const ALNUM = '0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ';

function agree(kind, base, a, b) {
  if (a !== b) throw new Error(`${kind} ${base}: packages disagree (${a} / ${b})`);
  return a;
}
function cpfDigits(base) {
  const d1 = String(ccv.cpf.verifierDigit(base));
  const d2 = String(ccv.cpf.verifierDigit(base + d1));
  return agree('CPF', base, CPF.checksum(base), d1 + d2);
}
function cnpjDigits(base) {
  const d1 = String(ccv.cnpj.verifierDigit(base));
  const d2 = String(ccv.cnpj.verifierDigit(base + d1));
  return agree('CNPJ', base, CNPJ.checksum(base), d1 + d2);
}

const rows = [];
const add = (kind, base, digits) => rows.push(`${kind}\t${base}\t${digits}`);
for (let i = 0; i < 3000; i++) { const b = pick(DIGITS, 9); add('CPF', b, cpfDigits(b)); }
for (let i = 0; i < 2000; i++) { const b = pick(DIGITS, 12); add('CNPJ', b, cnpjDigits(b)); }
for (let i = 0; i < 2000; i++) { const b = pick(ALNUM, 12); add('CNPJ', b, cnpjDigits(b)); }
for (let i = 0; i < 1000; i++) { const b = pick(DIGITS, 12); add('CAEPF', b, CAEPF.checksum(b)); }
for (let i = 0; i < 1000; i++) { const b = pick(DIGITS, 10); add('NIT', b, PIS.checksum(b)); }
for (let i = 0; i < 1000; i++) { const b = pick(DIGITS, 10); add('RENAVAM', b, Renavam.checksum(b)); }
process.stdout.write(rows.join('\n') + '\n');
